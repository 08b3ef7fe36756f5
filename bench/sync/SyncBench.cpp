// Times the sync of a journal with a folder of .ics files and the export of
// the journal as one .ics file. Run a Release build:
//   bench_sync [entries]      (10,000 by default)
// Works in a temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "JournalSync.h"
#include "NoteBlob.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "UiHooks.h"
#include "ZJITEMS.h"
#include "ZTime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// CPU seconds of this process: on a machine shared with other work the wall
// time says little, the CPU time still does.
double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    double total = 0;
    for (const timeval& t : { usage.ru_utime, usage.ru_stime })
        total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    return total;
}

double g_lastCpu = 0;

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    work();
    g_lastCpu = CpuSeconds() - cpuStart;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, double seconds, const char* target)
{
    std::printf("%-40s %8.3f s   (target %s; CPU %.3f s)\n", what, seconds, target, g_lastCpu);
}

bool Fill(DbKestrin& journal, int count)
{
    const std::vector<BYTE> note = WriteNote(u"Discussed the plan and the budget for next quarter.", "<p>plan</p>");
    ZTime date;
    date.SetNow();
    ObjectStoreTransaction transaction;
    for (int i = 0; i < count; ++i) {
        ZJITEMS set;
        DbTmp::Initialize(&set);
        const std::u16string subject = u"Entry number " + ZString::FromUtf8(std::to_string(i)).ToU16();
        set.GetItem(PROPID_SUBJECT)->SetStrValue(subject.c_str());
        date.AddMinutes(-37);
        set.GetItem(PROPID_DATE)->SetFileTime(date.ToFileTime());
        PackedListWriter categories;
        categories.AddCategory(0, i % 2 ? u"Work" : u"Home");
        categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
        CEBLOB blob { static_cast<DWORD>(note.size()), const_cast<BYTE*>(note.data()) };
        set.GetItem(PROPID_NOTE)->SetBlob(&blob);
        if (journal.Write(0, &set) == 0)
            return false;
    }
    return transaction.Commit();
}

bool Check(const SyncReport& report, const char* what)
{
    if (!report.failed && report.problems.empty())
        return true;
    std::fprintf(stderr, "%s failed: %s\n", what, report.problems.empty() ? "" : report.problems[0].c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = bench::CountArgument(argc, argv, 10000);
    const fs::path home = bench::UseFreshDataFolder("sync");
    if (home.empty())
        return 1;
    HeadlessUiHooks hooks(stderr, false);
    InstallUiHooks(&hooks);
    int code = 1;
    {
        DbKestrin journal;
        if (journal.Open(nullptr) && Fill(journal, count)) {
            const fs::path folder = home / "vdir";
            JournalSync sync(journal);
            SyncReport report;
            std::printf("%d entries\n", count);
            Report("first sync into an empty folder", Seconds([&] { report = sync.Sync(folder); }), "< 5 s");
            bool ok = Check(report, "first sync");
            Report("sync with nothing changed", Seconds([&] { report = sync.Sync(folder); }), "< 0.2 s");
            ok = ok && Check(report, "unchanged sync");
            int changed = 0;
            for (const fs::directory_entry& item : fs::directory_iterator(folder)) {
                if (changed == 10)
                    break;
                std::string text;
                {
                    std::ifstream in(item.path());
                    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                }
                const std::size_t at = text.find("SUMMARY:");
                text.insert(at + 8, "Changed ");
                std::ofstream(item.path(), std::ios::trunc) << text;
                ++changed;
            }
            Report("sync with 10 changed files", Seconds([&] { report = sync.Sync(folder); }), "< 0.3 s");
            ok = ok && Check(report, "changed sync") && report.entriesChanged == 10;
            std::string error;
            bool exported = false;
            Report("export as one .ics file",
                Seconds([&] { exported = sync.ExportFile(home / "all.ics", error); }), "< 2 s");
            // The same entries under UIDs the journal does not know: every
            // one is imported as a new entry.
            std::string all;
            {
                std::ifstream in(home / "all.ics");
                all.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            for (std::size_t at = all.find("\nUID:"); at != std::string::npos; at = all.find("\nUID:", at + 9))
                all.insert(at + 5, "copy-");
            std::ofstream(home / "copies.ics", std::ios::trunc) << all;
            SyncReport imported;
            Report("import of a file of new entries",
                Seconds([&] { imported = sync.ImportFile(home / "copies.ics"); }), "< 5 s");
            ok = ok && Check(imported, "import") && imported.entriesAdded == count;
            code = ok && exported ? 0 : 1;
        }
    }
    ObjectStore::Close();
    fs::remove_all(home);
    return code;
}
