// Times the address book and the contact picker on a book of 10,000 vCards
// (a mix of the 2.1, 3.0 and 4.0 forms): the first open of the picker in a
// process (every card parsed; once with ids still to be given, once with ids
// kept from an earlier run), later opens (nothing changed), a jump to a
// letter, scrolling a page, and finding an entry's 10 stored contacts.
// Each figure is given as wall-clock time and as the process's CPU time: on
// a machine shared with other work the CPU time tells what the program
// itself spends.
// Run a Release build:  bench_contacts [contacts]
// Offscreen unless QT_QPA_PLATFORM says otherwise; the book is made in a
// temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "BenchTiming.h"
#include "ContactLink.h"
#include "ContactPicker.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "ReferenceFields.h"
#include "UiHooks.h"
#include "VdirPimStore.h"

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace {

using bench::Clock;
using bench::Millis;

double CpuMillis()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Wall-clock and CPU milliseconds of one run.
struct Sample {
    double wall;
    double cpu;
};

template <typename Work> Sample Measure(Work work)
{
    const auto start = Clock::now();
    const double cpu = CpuMillis();
    work();
    return { Millis(Clock::now() - start), CpuMillis() - cpu };
}

void Print(const char* what, std::vector<Sample> samples, const char* target)
{
    auto median = [&](double Sample::*field) {
        std::vector<double> values;
        for (const Sample& sample : samples)
            values.push_back(sample.*field);
        std::sort(values.begin(), values.end());
        return std::pair { values[values.size() / 2], values.back() };
    };
    const auto [wall, wallMax] = median(&Sample::wall);
    const auto [cpu, cpuMax] = median(&Sample::cpu);
    std::printf("%-40s median %8.2f ms (cpu %8.2f)   max %8.2f ms (cpu %8.2f)   n=%zu   target %s\n", what,
        wall, cpu, wallMax, cpuMax, samples.size(), target);
}

const char* const kGiven[]
    = { "Anna", "Ben", "Chloe", "David", "Eva", "Farid", "Greta", "Hugo", "Ines", "Jonas" };
const char* const kFamily[] = { "Adler", "Brandt", "Costa", "Dubois", "Eriksen", "Fischer", "Garcia",
    "Horvat", "Ivanova", "Jensen", "Kowalski", "Larsen", "Moreau", "Novak", "Olsen", "Petrov", "Quinn",
    "Rossi", "Schmidt", "Tanaka", "Ueda", "Vargas", "Weber", "Xu", "Yilmaz", "Zimmer" };

std::string Card(int n, std::mt19937& random)
{
    const std::string given = kGiven[random() % std::size(kGiven)];
    const std::string family = std::string(kFamily[random() % std::size(kFamily)]) + std::to_string(n);
    const std::string uid = "bench-" + std::to_string(n);
    switch (n % 3) {
    case 0:
        return "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + family + ";" + given + "\r\nFN:" + given + " " + family
            + "\r\nTEL;WORK;VOICE:+1 555 " + std::to_string(1000 + n) + "\r\nUID:" + uid
            + "\r\nEND:VCARD\r\n";
    case 1:
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + given + " " + family
            + "\r\nN:" + family + ";" + given + ";;;\r\nORG:Company " + std::to_string(n % 97)
            + "\r\nEMAIL;TYPE=INTERNET:" + given + "@example.com" + "\r\nADR;TYPE=WORK:;;" + std::to_string(n)
            + " Main Street;Springfield;;12345;\r\n" + " Country\r\nEND:VCARD\r\n";
    default:
        return "BEGIN:VCARD\nVERSION:4.0\nUID:urn:uuid:" + uid + "\nFN:" + given + " " + family
            + "\nN:" + family + ";" + given + ";;;\nORG:Firm " + std::to_string(n % 31)
            + "\nTEL;VALUE=uri;TYPE=cell:tel:+1-555-" + std::to_string(n) + "\nEND:VCARD\n";
    }
}

// Opens the picker, times until its dialog is up and running, and closes it.
Sample TimeOpen(
    DbJItem& field, PimStore& store, QWidget& owner, const std::function<void(ContactPicker&)>& act = {})
{
    ContactPicker picker(field, store);
    Sample elapsed {};
    const auto start = Clock::now();
    const double cpu = CpuMillis();
    QTimer::singleShot(0, &owner, [&] {
        elapsed = { Millis(Clock::now() - start), CpuMillis() - cpu };
        if (act)
            act(picker);
        picker.EndDialog(0);
    });
    picker.Run(&owner);
    return elapsed;
}

} // namespace

int main(int argc, char* argv[])
{
    bench::DrawOffscreenUnlessChosen();
    const int count = std::max(10, bench::CountArgument(argc, argv, 10000));
    const std::filesystem::path home = bench::UseFreshDataFolder("contacts");
    if (home.empty())
        return 1;
    QApplication app(argc, argv);
    RecordingUiHooks hooks;
    ScopedUiHooks scoped(hooks);

    VdirPimStore::Folders folders { home / "contacts", home / "calendar", home / "tasks" };
    std::filesystem::create_directories(folders.contacts);
    std::mt19937 random(7);
    for (int n = 0; n < count; ++n)
        std::ofstream(folders.contacts / ("bench-" + std::to_string(n) + ".vcf"), std::ios::binary)
            << Card(n, random);
    std::printf("address book of %d contacts (vCard 2.1, 3.0, 4.0)\n", count);

    QWidget owner;
    owner.resize(1024, 768);
    DbJItem field;
    field.SetPropID(PROPID_CONTACTS);
    field.SetLabel(u"Contacts");

    // The entry's 10 contacts are linked through a first store.
    VdirPimStore first;
    first.SetFolders(folders);
    const Sample firstEver = TimeOpen(field, first, owner);
    std::vector<DbAItem> linked;
    for (int i = 0; i < 10; ++i)
        linked.push_back(StoredContactOf(*first.ContactAt(1 + i * (count / 10))));
    StoreContactsField(field, linked);
    Print("first open, ids still to be given", { firstEver }, "-");

    VdirPimStore store; // another run of the program: ids kept, cards not read yet
    store.SetFolders(folders);
    Print("first open in a process (ids kept)", { TimeOpen(field, store, owner) }, "< 500 ms");
    std::vector<Sample> later;
    for (int i = 0; i < 10; ++i)
        later.push_back(TimeOpen(field, store, owner));
    Print("later open", later, "< 100 ms");
    std::vector<Sample> logons;
    for (int i = 0; i < 10; ++i)
        logons.push_back(Measure([&] { store.Logon(); }));
    Print("  of which reading the unchanged book", logons, "-");

    std::vector<Sample> letters;
    std::vector<Sample> pages;
    TimeOpen(field, store, owner, [&](ContactPicker& picker) {
        picker.Dialog()->show();
        auto* list = picker.Dialog()->findChild<QTableView*>("contactList");
        // Let the dialog lay out and paint once.
        QApplication::processEvents();
        for (int i = 0; i < 200; ++i) {
            const QChar letter = QChar(u'a' + (i * 7) % 26);
            letters.push_back(Measure([&] {
                picker.TypeLetter(letter);
                list->viewport()->repaint();
            }));
        }
        QScrollBar* bar = list->verticalScrollBar();
        bar->setValue(0);
        for (int i = 0; i < 200; ++i) {
            pages.push_back(Measure([&] {
                bar->setValue(bar->value() + bar->pageStep());
                list->viewport()->repaint();
            }));
        }
    });
    Print("letter jump", letters, "< 5 ms");
    Print("scrolling a page (painted)", pages, "< 10 ms");

    std::vector<Sample> resolving;
    std::vector<DbAItem> foreign = linked;
    for (DbAItem& item : foreign)
        item.SetOid(item.GetOid() + 1); // another device's ids: found by name
    for (auto* items : { &linked, &foreign }) {
        for (int i = 0; i < 10; ++i) {
            std::vector<DbAItem> copy = *items;
            resolving.push_back(Measure([&] {
                for (DbAItem& item : copy)
                    FindStoredContact(store, item);
            }));
        }
    }
    Print("resolving an entry's 10 contacts", resolving, "< 20 ms");
    std::printf("cards parsed: %ld by the later store (once each)\n", store.ParsedFiles());
    double load[3] = {};
    if (getloadavg(load, 3) > 0)
        std::printf("load average %.2f on %ld processors\n", load[0], sysconf(_SC_NPROCESSORS_ONLN));

    ObjectStore::Close();
    std::filesystem::remove_all(home);
    return 0;
}
