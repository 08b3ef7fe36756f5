// Times backup, restore, the integrity check, CSV export and
// `kestrin-cli list` on a journal of 100,000 entries, each with 2 contacts
// of 500 and 2 categories of 30 and a short note. Run a Release build:
//   bench_backup [entries]
// Works in a temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "DbKestrin.h"
#include "ExportWriter.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "ObjectStore.h"
#include "UiHooks.h"
#include "ZBackup.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of this process and of the children it waited for.
double CpuSeconds()
{
    double total = 0;
    for (int who : { RUSAGE_SELF, RUSAGE_CHILDREN }) {
        rusage usage {};
        getrusage(who, &usage);
        for (const timeval& t : { usage.ru_utime, usage.ru_stime })
            total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    }
    return total;
}

// The CPU time of the last Seconds() call: on a machine shared with other
// work the wall time says little, the CPU time of this process still does.
double g_lastCpu = 0;

double Seconds(const std::function<void()>& work)
{
    auto start = Clock::now();
    double cpuStart = CpuSeconds();
    work();
    g_lastCpu = CpuSeconds() - cpuStart;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, double seconds, const char* target)
{
    std::printf("%-52s %8.3f s   (target %s; CPU %.3f s)\n", what, seconds, target, g_lastCpu);
}

class Out {
public:
    void U16(unsigned v)
    {
        bytes.push_back(static_cast<char>(v));
        bytes.push_back(static_cast<char>(v >> 8));
    }
    void U32(DWORD v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Block(const std::string& b)
    {
        U32(static_cast<DWORD>(b.size()));
        bytes += b;
    }
    static std::string Utf16(const std::string& ascii)
    {
        Out o;
        o.U32(static_cast<DWORD>(ascii.size() * 2));
        for (char c : ascii)
            o.U16(static_cast<unsigned char>(c));
        return o.bytes;
    }
    std::string bytes;
};

// A backup file of `count` entries written from the file layout, in the
// order a backup of the journal sorted by date writes them.
std::string MakeBackup(int count)
{
    std::mt19937 random(7);
    Out out;
    out.U16(55);
    out.U16(1);
    out.U16(static_cast<unsigned>(count) & 0xFFFF);
    std::vector<BYTE> note = WriteNote(u"Discussed the plan and the budget for next quarter.", "<p>plan</p>");
    std::string noteBytes(note.begin(), note.end());
    SYSTEMTIME newest {};
    newest.wYear = 2010;
    newest.wMonth = 6;
    newest.wDay = 1;
    ULONGLONG date = ZTime(newest).Ticks();
    for (int i = 0; i < count; ++i) {
        out.U32(0);
        out.U32(PROPID_SUBJECT);
        out.Block("Entry number " + std::to_string(i));
        // Newest first, as a backup of the journal in its date order holds them.
        date -= (1 + random() % 120) * ZTime::kTicksPerMinute;
        out.U32(PROPID_DATE);
        out.U32(static_cast<DWORD>(date));
        out.U32(static_cast<DWORD>(date >> 32));
        out.U32(PROPID_TYPE);
        out.U16(random() % 11);
        out.U32(PROPID_COMPANY);
        out.Block("Company " + std::to_string(random() % 200));
        int k1 = random() % 30, k2 = (k1 + 1 + random() % 29) % 30;
        Out cats;
        for (int k : { k1, k2 }) {
            cats.U32(0);
            cats.bytes += Out::Utf16("Category " + std::to_string(k));
        }
        out.U32(PROPID_CATEGORIES);
        out.Block(cats.bytes);
        int c1 = random() % 500, c2 = (c1 + 1 + random() % 499) % 500;
        Out contacts;
        for (int c : { c1, c2 }) {
            contacts.U32(1000 + c);
            contacts.bytes += Out::Utf16("Contact " + std::to_string(c));
            contacts.bytes += Out::Utf16("");
        }
        out.U32(PROPID_CONTACTS);
        out.Block(contacts.bytes);
        out.U32(PROPID_ATTACHMENT);
        out.Block("");
        out.U32(PROPID_DURATION);
        out.U32(static_cast<DWORD>(ZTime::kTicksPerHour));
        out.U32(0);
        out.U32(PROPID_SENSITIVITY);
        out.U16(0);
        out.U32(PROPID_PRIORITY);
        out.U16(1);
        out.U32(PROPID_NOTE);
        out.Block(noteBytes);
    }
    return out.bytes;
}

} // namespace

int main(int argc, char** argv)
{
    int count = bench::CountArgument(argc, argv, 100000);
    const std::filesystem::path folder = bench::UseFreshDataFolder("backup");
    if (folder.empty())
        return 1;
    HeadlessUiHooks hooks(stderr, false);
    InstallUiHooks(&hooks);
    {
        std::ofstream(folder / "seed.ksk", std::ios::binary) << MakeBackup(count);
        DbKestrin journal;
        if (!journal.Open(nullptr))
            return 1;
        std::printf("%d entries, 2 of 500 contacts and 2 of 30 categories each\n", count);
        ZBackup backup(&journal, nullptr);
        DWORD restored = 0;
        Report("restore into an empty journal (with references)",
            Seconds([&] { restored = backup.Restore(ZString::FromUtf8((folder / "seed.ksk").string())); }),
            "< 5 s");
        DWORD written = 0;
        Report("backup", Seconds([&] {
            written = backup.Backup(ZString::FromUtf8((folder / "b.ksk").string()), nullptr);
        }),
            "< 1 s");
        ExportWriter writer(journal);
        DWORD exported = 0;
        Report("CSV export of all fields", Seconds([&] {
            exported
                = writer.Export(ZString::FromUtf8((folder / "e.csv").string()), ExportOptions {}, nullptr);
        }),
            "< 1 s");
        ZString error;
        Report(
            "integrity check", Seconds([&] { journal.Cleanup(TRUE, nullptr, nullptr, &error); }), "< 10 s");
        // The check built the search index: restoring now keeps it in step.
        DWORD again = 0;
        Report("restore again, search index kept in step", Seconds([&] {
            again = backup.Restore(ZString::FromUtf8((folder / "seed.ksk").string()));
        }),
            "< 5 s");
        if (restored != static_cast<DWORD>(count) || written != restored || exported != restored
            || again != restored || !error.IsEmpty()) {
            std::fprintf(stderr, "unexpected counts: restored %u, backed up %u, exported %u, check: %s\n",
                restored, written, exported, error.ToUtf8().c_str());
            return 1;
        }
    }
#ifdef KESTRIN_CLI
    std::string command
        = std::string("\"") + KESTRIN_CLI + "\" list > \"" + (folder / "list.txt").string() + "\"";
    int status = 0;
    Report("kestrin-cli list > file", Seconds([&] { status = std::system(command.c_str()); }), "< 1 s");
    if (status != 0)
        return 1;
#endif
    ObjectStore::Close();
    std::filesystem::remove_all(folder);
    return 0;
}
