// Times the object store's operations the journal depends on, at 100,000
// records shaped like journal entries (11 properties: subject of 20-60
// characters, date, type, company, categories and contacts blobs,
// attachment, duration, sensitivity, priority and a note of about 300 bytes).
// The store is built in a temporary folder (removed at the end) and read
// while it is in the page cache. Run a Release build:
//     bench_objectstore [records [folder]]
// With a folder, the store is built there and kept for inspection.

#include "CeDatabase.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr CEPROPID kSubject = 0x0066001F;
constexpr CEPROPID kDate = 0x00650040;
constexpr CEPROPID kType = 0x00690002;
constexpr CEPROPID kCompany = 0x006F001F;
constexpr CEPROPID kCategories = 0x00680041;
constexpr CEPROPID kContacts = 0x006E0041;
constexpr CEPROPID kAttachment = 0x0070001F;
constexpr CEPROPID kDuration = 0x006D0040;
constexpr CEPROPID kSensitivity = 0x006C0002;
constexpr CEPROPID kPriority = 0x006B0002;
constexpr CEPROPID kNote = 0x00670041;

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Figures {
    double median, p90, max;
};

Figures Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[static_cast<std::size_t>(q * double(samples.size() - 1))]; };
    return { at(0.5), at(0.9), samples.back() };
}

void PrintSamples(const char* what, const std::vector<double>& samples, const char* target)
{
    const Figures f = Summarise(samples);
    std::printf("%-52s median %9.1f us  p90 %9.1f us  max %9.1f us  (target %s)\n", what, f.median, f.p90,
        f.max, target);
}

// CPU time of the process (all threads), in microseconds.
double CpuMicros()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// CPU time at the last Mark(): on a shared machine the wall time of a long
// step includes waiting for a core, its CPU time does not.
double cpuAtMark = 0;

Clock::time_point Mark()
{
    cpuAtMark = CpuMicros();
    return Clock::now();
}

void PrintOnce(const char* what, double micros, const char* target)
{
    std::printf("%-52s %12.1f ms  (cpu %8.1f ms)                 (target %s)\n", what, micros / 1000,
        (CpuMicros() - cpuAtMark) / 1000, target);
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

class Generator {
public:
    std::u16string Words(std::size_t minChars, std::size_t maxChars)
    {
        static const char* const words[] = { "meeting", "call", "budget", "review", "Anna", "project", "plan",
            "invoice", "garden", "school", "trip", "report", "Zürich", "café", "follow-up", "quarterly",
            "notes", "dentist", "birthday", "contract" };
        const std::size_t length = minChars + rng_() % (maxChars - minChars + 1);
        std::u16string text;
        while (text.size() < length) {
            if (!text.empty())
                text += u' ';
            const std::string w = words[rng_() % std::size(words)];
            text.append(w.begin(), w.end());
        }
        text.resize(length);
        return text;
    }
    std::vector<BYTE> Bytes(std::size_t n)
    {
        std::vector<BYTE> b(n);
        for (BYTE& x : b)
            x = static_cast<BYTE>(rng_());
        return b;
    }
    std::uint32_t Next() { return static_cast<std::uint32_t>(rng_()); }

private:
    std::mt19937_64 rng_ { 20240601 };
};

CEOID WriteEntry(HANDLE h, Generator& g)
{
    const std::u16string subject = g.Words(20, 60);
    const std::u16string company = g.Words(8, 20);
    const std::u16string attachment = u"/home/user/Documents/" + g.Words(5, 12) + u".pdf";
    std::vector<BYTE> categories = g.Bytes(40), contacts = g.Bytes(64), note = g.Bytes(300);
    const std::uint64_t date = 0x01D0000000000000ull + (std::uint64_t(g.Next()) << 20);
    const std::uint64_t duration = std::uint64_t(g.Next() % 7200) * 10'000'000ull;
    CEPROPVAL v[11] = {};
    v[0].propid = kSubject, v[0].val.lpwstr = const_cast<LPWSTR>(subject.c_str());
    v[1].propid = kDate, v[1].val.filetime = { DWORD(date), DWORD(date >> 32) };
    v[2].propid = kType, v[2].val.iVal = SHORT(g.Next() % 11);
    v[3].propid = kCompany, v[3].val.lpwstr = const_cast<LPWSTR>(company.c_str());
    v[4].propid = kCategories, v[4].val.blob = { DWORD(categories.size()), categories.data() };
    v[5].propid = kContacts, v[5].val.blob = { DWORD(contacts.size()), contacts.data() };
    v[6].propid = kAttachment, v[6].val.lpwstr = const_cast<LPWSTR>(attachment.c_str());
    v[7].propid = kDuration, v[7].val.filetime = { DWORD(duration), DWORD(duration >> 32) };
    v[8].propid = kSensitivity, v[8].val.iVal = SHORT(g.Next() % 4);
    v[9].propid = kPriority, v[9].val.iVal = SHORT(g.Next() % 3);
    v[10].propid = kNote, v[10].val.blob = { DWORD(note.size()), note.data() };
    return CeWriteRecordProps(h, 0, 11, v);
}

HANDLE OpenBench(CEPROPID sortProp)
{
    CEOID oid = 0;
    return CeOpenDatabase(&oid, u"Bench", sortProp, 0, nullptr);
}

// Reads all properties of the record under the cursor into `buffer`.
CEOID ReadAll(HANDLE h, LPBYTE& buffer, DWORD& size)
{
    WORD count = 0;
    CEPROPID all = 0;
    return CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, &all, &buffer, &size);
}

// The wrapper's text search: from the first record, the store's own search.
CEOID FindText(HANDLE h, const std::u16string& wanted)
{
    CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr);
    return CeFindText(h, kSubject, wanted.c_str(), FALSE);
}

} // namespace

int main(int argc, char** argv)
{
    const DWORD records = argc > 1 ? DWORD(std::atol(argv[1])) : 100'000;
    const bool keep = argc > 2;
    std::string folder
        = keep ? argv[2] : (std::filesystem::temp_directory_path() / "kestrin-bench-XXXXXX").string();
    if (keep ? !std::filesystem::create_directories(folder) : !mkdtemp(folder.data())) {
        std::fprintf(stderr, "cannot create a new folder %s\n", folder.c_str());
        return 1;
    }
    const auto file = std::filesystem::path(folder) / "objects.db";
    if (!ObjectStore::Open(file)) {
        std::fprintf(stderr, "%s\n", ObjectStore::LastOpenError().c_str());
        return 1;
    }
    Generator g;
    const SORTORDERSPEC sorts[]
        = { { kDate, CEDB_SORT_DESCENDING }, { kSubject, CEDB_SORT_CASEINSENSITIVE } };
    CeCreateDatabase(u"Bench", 22437, 2, sorts);
    HANDLE h = OpenBench(kDate);
    auto start = Mark();
    {
        ObjectStoreTransaction tx;
        for (DWORD i = 0; i < records; ++i)
            WriteEntry(h, g);
        tx.Commit();
    }
    std::printf("object store, %u entry-like records (%s)\n", records, file.c_str());
    PrintOnce("fill in one transaction", Micros(Clock::now() - start), "-");
    CloseHandle(h);

    // Reopen the store: its integrity check reads the whole file once.
    ObjectStore::Close();
    start = Mark();
    ObjectStore::Open(file);
    PrintOnce("open the store (integrity check included)", Micros(Clock::now() - start), "-");

    start = Mark();
    h = OpenBench(kDate);
    CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr);
    PrintOnce("open a database, first seek (builds order index)", Micros(Clock::now() - start), "< 20 ms");
    std::vector<double> samples;
    for (int i = 0; i < 200; ++i) {
        start = Mark();
        HANDLE again = OpenBench(kDate);
        CeSeekDatabase(again, CEDB_SEEK_BEGINNING, 0, nullptr);
        CloseHandle(again);
        samples.push_back(Micros(Clock::now() - start));
    }
    PrintSamples("open+seek+close a database, index shared", samples, "< 20 ms");

    LPBYTE buffer = nullptr;
    DWORD size = 0;
    samples.clear();
    for (int i = 0; i < 300; ++i) {
        const DWORD n = g.Next() % (records - 30);
        start = Mark();
        CeSeekDatabase(h, CEDB_SEEK_BEGINNING, n, nullptr);
        for (int k = 0; k < 30; ++k) {
            ReadAll(h, buffer, size);
            CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr);
        }
        samples.push_back(Micros(Clock::now() - start));
    }
    PrintSamples("SeekIndex(n) + 30 x (ReadProps + SeekNext)", samples, "< 1 ms");

    std::vector<CEOID> oids;
    for (CEOID oid = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr))
        oids.push_back(oid);
    samples.clear();
    for (int i = 0; i < 1000; ++i) {
        const CEOID oid = oids[g.Next() % oids.size()];
        DWORD index = 0;
        start = Mark();
        CeSeekDatabase(h, CEDB_SEEK_CEOID, oid, &index);
        samples.push_back(Micros(Clock::now() - start));
    }
    PrintSamples("GetOidIndex of any record", samples, "< 1 ms");

    samples.clear();
    for (int i = 0; i < 300; ++i) {
        start = Mark();
        WriteEntry(h, g);
        samples.push_back(Micros(Clock::now() - start));
    }
    PrintSamples("WriteProps of a new record, autocommit", samples, "< 200 us");

    start = Mark();
    const CEOID found = FindText(h, u"no such words anywhere");
    PrintOnce(found ? "FindText (unexpected hit)" : "FindText over all subjects (no hit)",
        Micros(Clock::now() - start), "< 100 ms");

    start = Mark();
    DWORD walked = 0;
    for (CEOID oid = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr))
        walked += ReadAll(h, buffer, size) != 0;
    const double walk = Micros(Clock::now() - start);
    PrintOnce("full walk SeekFirst..SeekNext with ReadProps", walk, "< 150 ms");
    std::printf("    (%u records read)\n", walked);
    // The dates above are random, so the date order visits the file's pages at
    // random: a page read per record. A journal's entries are mostly written
    // in date order; the OID (creation) order shows that case.
    HANDLE byOid = OpenBench(0);
    start = Mark();
    for (CEOID oid = CeSeekDatabase(byOid, CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(byOid, CEDB_SEEK_CURRENT, 1, nullptr))
        ReadAll(byOid, buffer, size);
    PrintOnce("full walk as above, in creation order", Micros(Clock::now() - start), "-");
    CloseHandle(byOid);

    // The same rows read straight from SQLite on a second connection.
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    if (std::getenv("BENCH_MMAP"))
        sqlite3_exec(raw, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(raw,
        "SELECT r.oid, r.props FROM sort_keys k JOIN records r ON r.oid = k.oid WHERE k.db = "
        "(SELECT oid FROM databases WHERE name_key = 'bench') AND k.k0 IS NOT NULL ORDER BY k.k0, k.oid",
        -1, &q, nullptr);
    start = Mark();
    std::size_t bytes = 0, rows = 0;
    while (sqlite3_step(q) == SQLITE_ROW) {
        bytes += std::size_t(sqlite3_column_bytes(q, 1));
        ++rows;
    }
    const double plain = Micros(Clock::now() - start);
    sqlite3_finalize(q);
    sqlite3_close(raw);
    PrintOnce("plain SQLite query over the same rows", plain, "-");
    std::printf("    (%zu rows, %zu bytes; walk / plain = %.2f, target <= 2)\n", rows, bytes, walk / plain);

    const long rss = ResidentKiB();
    std::printf("%-52s %12.1f MiB                                   (target < 64 MiB)\n",
        "resident memory with the database open", double(rss) / 1024);

    LocalFree(buffer);
    CloseHandle(h);
    CEOID db = 0;
    CloseHandle(CeOpenDatabase(&db, u"Bench", 0, 0, nullptr));
    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDSORTSPEC;
    change.wNumSortOrder = 1;
    change.rgSortSpecs[0] = { kSubject, CEDB_SORT_CASEINSENSITIVE };
    start = Mark();
    const BOOL resorted = CeSetDatabaseInfo(db, &change);
    PrintOnce(
        resorted ? "re-sort by another property" : "re-sort FAILED", Micros(Clock::now() - start), "< 1 s");
    start = Mark();
    h = OpenBench(kSubject);
    CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr);
    PrintOnce("open in the new order, first seek", Micros(Clock::now() - start), "< 20 ms");
    CloseHandle(h);

    ObjectStore::Close();
    std::error_code ec;
    if (!keep)
        std::filesystem::remove_all(folder, ec);
    return 0;
}
