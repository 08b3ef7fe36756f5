// Times find on a journal of 100,000 entries whose notes hold 20 to 2,000
// characters: by subject and by note (match case on and off, a rare and a
// common word), the count shown while typing, by date; then the preview of a
// 10,000-character note and the opening of the quick view. Prints the size
// the full-text index adds to the store file.
// Run a Release build:  bench_find [entries]
// Offscreen unless QT_QPA_PLATFORM says otherwise; the journal is built in a
// temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "BenchTiming.h"
#include "ContactSplitter.h"
#include "DbKestrin.h"
#include "JournalEntries.h"
#include "JournalFind.h"
#include "NoteBlob.h"
#include "NoteView.h"
#include "ObjectStore.h"
#include "QuickView.h"
#include "Skin.h"
#include "UiHooks.h"

#include <QApplication>
#include <QDialog>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using bench::Clock;
using bench::Millis;
using bench::Time;

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename Work> void Report(const char* what, const char* target, Work work, int rounds = 7)
{
    std::vector<double> samples;
    std::size_t found = 0;
    for (int round = 0; round < rounds; ++round)
        samples.push_back(Time([&] { found = work(); }));
    std::sort(samples.begin(), samples.end());
    std::printf("%-52s median %8.2f ms   max %8.2f ms   (%zu found; target %s)\n", what,
        samples[samples.size() / 2], samples.back(), found, target);
}

// A vocabulary of 3,000 made-up words drawn with Zipf's law (word n about
// 1/n as often as the first), as words are in real text: "the" stands first,
// so it is in nearly every note; a word of rank 100 in a few notes in ten.
class Vocabulary {
public:
    explicit Vocabulary(std::mt19937& random)
    {
        static const char16_t* const syllables[] = { u"ba", u"ke", u"lo", u"mi", u"nu", u"ra", u"si", u"to",
            u"ve", u"dor", u"pan", u"qui", u"ser", u"tal", u"wen", u"zo" };
        words_.push_back(u"the");
        while (words_.size() < 3000) {
            std::u16string word;
            for (int s = 0; s < 2 + int(random() % 3); ++s)
                word += syllables[random() % std::size(syllables)];
            words_.push_back(word);
        }
        double total = 0;
        for (std::size_t n = 1; n <= words_.size(); ++n)
            cumulative_.push_back(total += 1.0 / double(n));
    }
    const std::u16string& Pick(std::mt19937& random) const
    {
        const double at = std::uniform_real_distribution<double>(0, cumulative_.back())(random);
        return words_[std::size_t(std::lower_bound(cumulative_.begin(), cumulative_.end(), at) - cumulative_.begin())];
    }
    std::u16string Text(std::mt19937& random, std::size_t chars) const
    {
        std::u16string text;
        while (text.size() < chars) {
            text += Pick(random);
            text += u' ';
        }
        text.resize(chars);
        return text;
    }

private:
    std::vector<std::u16string> words_;
    std::vector<double> cumulative_;
};

std::string Utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

// Writes `count` entries straight into the record database: subject, date,
// type and a note of 20..2,000 characters (plain and rich text). One entry in
// ten has a "Meeting" in its subject and "meeting" in its note, one in a
// thousand "Zanzibar" and "zanzibar".
void Fill(DbKestrin& journal, int count)
{
    std::mt19937 random(11);
    const Vocabulary vocabulary(random);
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        std::u16string subject = vocabulary.Text(random, 10 + random() % 30);
        std::u16string note = vocabulary.Text(random, 20 + random() % 1981);
        if (n % 10 == 3) {
            subject += u" Meeting";
            note.replace(0, std::min<std::size_t>(8, note.size()), u"meeting ");
        }
        if (n % 1000 == 7) {
            subject += u" Zanzibar";
            note.replace(note.size() / 2, std::min<std::size_t>(9, note.size() / 2), u" zanzibar");
        }
        const std::vector<BYTE> blob = WriteNote(note, "<p>" + Utf8(note) + "</p>");
        CEPROPVAL values[] = { EmptyProp(PROPID_SUBJECT), EmptyProp(PROPID_DATE), EmptyProp(PROPID_TYPE),
            EmptyProp(PROPID_NOTE) };
        values[0].val.lpwstr = const_cast<LPWSTR>(subject.c_str());
        values[1].val.filetime = Ft(At(2000 + WORD(random() % 10), WORD(1 + random() % 12), WORD(1 + random() % 28),
            WORD(random() % 24)));
        values[2].val.iVal = static_cast<SHORT>(n % TYPE_COUNT);
        values[3].val.blob = { static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data()) };
        journal.WriteProps(0, 4, values);
    }
    transaction.Commit();
    journal.InvalidateRows();
}

// The size of the store file with everything written into it: the journal
// and the store are closed (the last close folds the write-ahead log into
// the file) and opened again.
std::uintmax_t ClosedStoreBytes(DbKestrin& journal)
{
    journal.Close();
    ObjectStore::Close();
    std::error_code ignored;
    const std::uintmax_t bytes = std::filesystem::file_size(ObjectStore::DefaultPath(), ignored);
    if (!journal.Open(nullptr)) {
        std::fprintf(stderr, "cannot open the journal again\n");
        std::exit(1);
    }
    return bytes;
}

long ResidentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

int main(int argc, char* argv[])
{
    const int entries = bench::CountArgument(argc, argv, 100000);
    bench::DrawOffscreenUnlessChosen();
    const std::filesystem::path folder = bench::UseFreshDataFolder("find");
    if (folder.empty())
        return 1;
    QApplication qt(argc, argv);
    RecordingUiHooks hooks;
    ScopedUiHooks installed(hooks);

    {
        DbKestrin journal;
        if (!journal.Open(nullptr)) {
            std::fprintf(stderr, "cannot open the journal\n");
            return 1;
        }
        std::printf("building a journal of %d entries with notes...\n", entries);
        std::printf("%-52s %8.0f ms\n", "fill (not a target)", Time([&] { Fill(journal, entries); }));
        const std::uintmax_t before = ClosedStoreBytes(journal);
        std::printf("%-52s %8.0f ms\n", "build the full-text index (once; not a target)",
            Time([&] { PrepareFindIndex(journal); }));
        const std::uintmax_t after = ClosedStoreBytes(journal);
        std::printf("store file %.1f MiB, of which the full-text index %.1f MiB\n", after / 1048576.0,
            (double(after) - double(before)) / 1048576.0);
        const long residentBefore = ResidentKiB();

        auto find = [&](FindBy by, const char16_t* text, bool matchCase) -> std::size_t {
            return FindEntries(journal, { .by = by, .text = text, .matchCase = matchCase }).size();
        };
        Report("by subject, rare word, match case off", "< 50 ms", [&] { return find(FindBy::Subject, u"zanzibar", false); });
        Report("by subject, rare word, match case on", "< 50 ms", [&] { return find(FindBy::Subject, u"Zanzibar", true); });
        Report("by subject, word of 1 entry in 10, case off", "< 50 ms", [&] { return find(FindBy::Subject, u"meeting", false); });
        Report("by subject, word of 1 entry in 10, case on", "< 50 ms", [&] { return find(FindBy::Subject, u"Meeting", true); });
        Report("by note, rare word, match case off", "< 100 ms", [&] { return find(FindBy::Note, u"zanzibar", false); });
        Report("by note, rare word, match case on", "< 100 ms", [&] { return find(FindBy::Note, u"zanzibar", true); });
        Report("by note, word of 1 note in 10, case off", "< 100 ms", [&] { return find(FindBy::Note, u"meeting", false); });
        Report("by note, word of 1 note in 10, case on", "< 100 ms", [&] { return find(FindBy::Note, u"meeting", true); });
        Report("by note, \"the\" (nearly every note), case off", "< 100 ms", [&] { return find(FindBy::Note, u"the", false); });
        Report("by note, \"the\" (nearly every note), case on", "< 100 ms", [&] { return find(FindBy::Note, u"the", true); });

        // Each keystroke waits for the first slice of the count (after the
        // check that the index can answer), the timer's later slices wait
        // between keys; the exact count stands at the end of the last one.
        for (const char16_t* typed : { u"mee", u"meet", u"meeti", u"meetin", u"meeting", u"the", u"the " }) {
            const FindQuery query { .by = FindBy::Note, .text = typed, .matchCase = false };
            std::vector<double> longest, exact;
            std::size_t slices = 0;
            DWORD count = 0;
            for (int round = 0; round < 7; ++round) {
                double wait = 0, total = 0;
                std::optional<MatchCounter> counter;
                bool done = false;
                total += wait = Time([&] {
                    AnsweredQuickly(journal, query);
                    counter.emplace(journal, query);
                    done = counter->Step();
                });
                for (slices = 1; !done; ++slices) {
                    const double slice = Time([&] { done = counter->Step(); });
                    wait = std::max(wait, slice);
                    total += slice;
                }
                longest.push_back(wait);
                exact.push_back(total);
                count = counter->Count();
            }
            const std::string label = "\"" + Utf8(typed) + "\" (note)";
            bench::Print(("count while typing " + label + ", longest slice").c_str(), longest, "< 30 ms");
            std::printf("%-50s median %8.2f ms   max %8.2f ms   (%u found in %zu slice(s) of %lld ms)\n",
                ("  until the exact count " + label).c_str(), Median(exact), *std::max_element(exact.begin(), exact.end()),
                count, slices, static_cast<long long>(MatchCounter::kSlice.count()));
        }
        const ZTime day(At(2005, 6, 7));
        std::printf("%-52s %8.2f ms   (the journal's in-memory index is built)\n", "by date, first search",
            Time([&] { FindEntries(journal, { .by = FindBy::Date, .day = day }); }));
        Report("by date", "< 20 ms", [&] { return FindEntries(journal, { .by = FindBy::Date, .day = day }).size(); });
        std::printf("resident memory grown by the searches: %ld KiB\n", ResidentKiB() - residentBefore);

        // One entry with a 10,000-character rich note and three contacts.
        std::mt19937 random(5);
        const std::u16string longNote = Vocabulary(random).Text(random, 10000);
        const CEOID shown = AddEntry(journal, { .subject = u"Long note", .date = At(2010, 1, 1),
            .contacts = { u"Ann", u"Bob", u"Cy" },
            .note = WriteNote(longNote, "<p><b>" + Utf8(longNote) + "</b></p>") });
        QWidget window;
        window.resize(240, 320);
        const Skin skin;
        ContactSplitter bar(&window, skin, [](int) {}, [](const DbAItem&) {});
        bar.setGeometry(0, 150, 240, 20);
        QTextEdit pane(&window);
        pane.setReadOnly(true);
        pane.setGeometry(0, 170, 240, 150);
        window.show();
        Report("preview update, 10,000-character note, painted", "< 16 ms", [&] {
            ZJITEMS entry;
            journal.Read(shown, &entry, 0);
            bar.Load(entry.GetItem(PROPID_CONTACTS)->GetBlob());
            ShowNote(pane, entry.GetItem(PROPID_NOTE)->GetBlob(), 100);
            pane.viewport()->grab();
            return std::size_t(1);
        });
        Report("quick view open (10,000-character note)", "< 50 ms", [&] {
            QTimer::singleShot(0, [] {
                if (auto* view = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    view->accept();
            });
            return std::size_t(QuickView::Run(&window, journal, shown, 100));
        });
    }
    std::filesystem::remove_all(folder);
    return 0;
}
