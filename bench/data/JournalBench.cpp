// Times the journal's everyday operations on a journal of 100,000 entries,
// each with 2 contacts and 2 categories drawn from 500 contacts and 30
// categories. Run a Release build:  bench_data [entries]
// The journal is built in a temporary data folder that is removed at the end.

#include "DbCats.h"
#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "UiHooks.h"
#include "ZJITEMS.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// CPU time of this thread: on a machine shared with other work the wall
// clock also counts the time the scheduler gave to others.
double CpuMicros()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double P90(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(0.9 * static_cast<double>(values.size() - 1))];
}

void Print(const char* what, const Samples& s, const char* target)
{
    std::printf("%-42s wall median %9.1f us p90 %9.1f us | cpu median %9.1f us   (target %s)\n", what,
        Median(s.wall), P90(s.wall), Median(s.cpu), target);
}

std::u16string U16(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

struct Names {
    std::vector<std::u16string> contacts;
    std::vector<std::u16string> categories;
    std::vector<CEOID> categoryOids;
};

ULONGLONG DateOf(std::mt19937& random)
{
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(1995 + random() % 15);
    time.wMonth = static_cast<WORD>(1 + random() % 12);
    time.wDay = static_cast<WORD>(1 + random() % 28);
    time.wHour = static_cast<WORD>(random() % 24);
    return ZTime(time).Ticks();
}

// An entry with two distinct contacts and two distinct categories.
ZJITEMS MakeEntry(std::mt19937& random, const Names& names, int& c1, int& c2, int& k1, int& k2)
{
    ZJITEMS set;
    DbTmp::Initialize(&set);
    std::u16string subject = U16("Entry " + std::to_string(random() % 100000));
    set.GetItem(PROPID_SUBJECT)->SetStrValue(subject.c_str());
    ULONGLONG date = DateOf(random);
    set.GetItem(PROPID_DATE)
        ->SetFileTime(FILETIME { static_cast<DWORD>(date), static_cast<DWORD>(date >> 32) });
    set.GetItem(PROPID_TYPE)->SetShort(static_cast<SHORT>(random() % TYPE_COUNT));
    set.GetItem(PROPID_COMPANY)->SetStrValue(U16("Company " + std::to_string(random() % 200)).c_str());
    c1 = static_cast<int>(random() % names.contacts.size());
    do
        c2 = static_cast<int>(random() % names.contacts.size());
    while (c2 == c1);
    k1 = static_cast<int>(random() % names.categories.size());
    do
        k2 = static_cast<int>(random() % names.categories.size());
    while (k2 == k1);
    PackedListWriter contacts;
    contacts.AddContact(static_cast<CEOID>(1000 + c1), names.contacts[c1].c_str(), u"Company");
    contacts.AddContact(static_cast<CEOID>(1000 + c2), names.contacts[c2].c_str(), u"Company");
    contacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
    PackedListWriter categories;
    categories.AddCategory(names.categoryOids[k1], names.categories[k1].c_str());
    categories.AddCategory(names.categoryOids[k2], names.categories[k2].c_str());
    categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
    return set;
}

// Fills the journal the way repeated DbKestrin::Write calls would leave it,
// but in bulk: the entries, their relation records and the category counters.
void Fill(DbKestrin& db, Names& names, int entries, std::mt19937& random)
{
    DbCats cats;
    cats.Open(nullptr);
    for (int i = 0; i < 30; ++i) {
        names.categories.push_back(U16("Category " + std::to_string(i)));
        names.categoryOids.push_back(
            cats.AddCategory(names.categories.back().c_str(), PROPID_CATCOUNT_JOURNAL));
    }
    for (int i = 0; i < 500; ++i)
        names.contacts.push_back(U16("Contact " + std::to_string(i)));

    std::vector<ZOidsProp> contactLists(names.contacts.size());
    std::vector<ZOidsProp> categoryLists(names.categories.size());
    const int batch = 5000;
    for (int done = 0; done < entries;) {
        ObjectStoreTransaction transaction;
        for (int i = 0; i < batch && done < entries; ++i, ++done) {
            int c1, c2, k1, k2;
            ZJITEMS set = MakeEntry(random, names, c1, c2, k1, k2);
            CEOID oid = DbTmp::WriteRecord(db, 0, &set);
            contactLists[c1] += oid;
            contactLists[c2] += oid;
            categoryLists[k1] += oid;
            categoryLists[k2] += oid;
        }
        transaction.Commit();
    }
    ObjectStoreTransaction transaction;
    for (std::size_t i = 0; i < names.contacts.size(); ++i)
        WriteRelationList(db.GetRelX(), names.contacts[i], KIND_CONTACT, contactLists[i]);
    for (std::size_t i = 0; i < names.categories.size(); ++i) {
        WriteRelationList(db.GetRelX(), names.categories[i], KIND_CATEGORY, categoryLists[i]);
        CEPROPVAL counter = EmptyProp();
        counter.propid = PROPID_CATCOUNT_JOURNAL;
        counter.val.iVal = static_cast<SHORT>(std::min(categoryLists[i].Count(), 0x7FFF));
        cats.WriteProps(names.categoryOids[i], 1, &counter);
    }
    transaction.Commit();
    cats.Close();
}

Samples Repeat(int times, const std::function<void()>& work)
{
    Samples samples;
    for (int i = 0; i < times; ++i) {
        auto start = Clock::now();
        double cpuStart = CpuMicros();
        work();
        samples.cpu.push_back(CpuMicros() - cpuStart);
        samples.wall.push_back(Micros(Clock::now() - start));
    }
    return samples;
}

} // namespace

int main(int argc, char** argv)
{
    int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::filesystem::path home
        = std::filesystem::temp_directory_path() / ("kst-bench-data-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("KESTRIN_HOME", home.c_str(), 1);
    RecordingUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    std::mt19937 random(42);

    DbKestrin db;
    if (!db.Open(nullptr)) {
        std::fprintf(stderr, "cannot open the journal\n");
        return 1;
    }
    Names names;
    auto fillStart = Clock::now();
    Fill(db, names, entries, random);
    std::printf("journal of %d entries (2 of 500 contacts, 2 of 30 categories each) built in %.1f s\n",
        entries, Micros(Clock::now() - fillStart) / 1e6);

    std::vector<CEOID> written;
    Print("DbKestrin::Write, new entry + references",
        (Repeat(300,
            [&] {
                int c1, c2, k1, k2;
                ZJITEMS set = MakeEntry(random, names, c1, c2, k1, k2);
                written.push_back(db.Write(0, &set));
            })),
        "< 1 ms");

    std::size_t next = 0;
    Print("DbKestrin::DeleteEntry", (Repeat(300, [&] { db.DeleteEntry(written[next++]); })), "< 1 ms");

    std::vector<CEOID> oids;
    for (CEOID oid = db.SeekFirst(); oid != 0; oid = db.SeekNext())
        oids.push_back(oid);
    Print("DbKestrin::Read, one entry",
        (Repeat(20000,
            [&] {
                ZJITEMS set;
                db.Read(oids[random() % oids.size()], &set, FALSE);
            })),
        "< 50 us");

    Print("GetRecCount, no filter", (Repeat(1000, [&] { db.GetRecCount(KIND_ENTRY); })), "< 1 ms");

    // The first filtered count builds the journal's in-memory index; each
    // later round changes the filter, so every count recomputes the rows.
    DWORD passing = 0;
    int round = 0;
    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().AddCategory(DbCItem(0, names.categories[3].c_str()));
    db.GetFilter().SetMonths(MonthBit(2));
    Print("GetRecCount, filter, first use (index build)",
        Repeat(1, [&] { passing = db.GetRecCount(KIND_ENTRY); }), "-");
    Print("GetRecCount, filter just changed",
        (Repeat(7,
            [&] {
                db.GetFilter().SetMonths(MonthBit(1 + round++ % 12) | MonthBit(6));
                passing = db.GetRecCount(KIND_ENTRY);
            })),
        "< 300 ms");
    std::printf("    (%u of %zu entries pass the last filter)\n", passing, oids.size());
    Print("GetRecCount, filter unchanged", (Repeat(1000, [&] { db.GetRecCount(KIND_ENTRY); })), "< 1 ms");
    Print("GetRowOid, filter active, random row", (Repeat(20000, [&] { db.GetRowOid(random() % passing); })),
        "-");
    Print("DbKestrin::Write with the filter active",
        (Repeat(100,
            [&] {
                int c1, c2, k1, k2;
                ZJITEMS set = MakeEntry(random, names, c1, c2, k1, k2);
                db.Write(0, &set);
            })),
        "-");
    db.GetFilter().SetActive(0);

    SORTORDERSPEC bySubject { PROPID_SUBJECT, CEDB_SORT_CASEINSENSITIVE };
    SORTORDERSPEC byDate { PROPID_DATE, CEDB_SORT_DESCENDING };
    auto sortStart = Clock::now();
    db.SortByProp(&bySubject, 1);
    double toSubject = Micros(Clock::now() - sortStart);
    db.SortByProp(&byDate, 1);
    double total = Micros(Clock::now() - sortStart);
    std::printf("%-44s %10.0f ms (to Subject %.0f ms, back %.0f ms)   (target < 2 s)\n",
        "SortByProp to Subject and back", total / 1000, toSubject / 1000, (total - toSubject) / 1000);

    std::printf("message boxes shown: %zu\n", hooks.Count(UiCall::Kind::MessageBox));
    db.Close();
    ObjectStore::Close();
    std::filesystem::remove_all(home);
    return 0;
}
