// Times adding many new categories: one entry carrying 10,000 categories
// nobody used before (each gets a new category record and index number),
// then a second entry with 10,000 more, and 10,000 categories added to the
// shared database alone, in one batch and each in a transaction of its own.
// Run a Release build:  bench_categories [count]
// The journal is built in a temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "DbCats.h"
#include "DbKestrin.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "UiHooks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// CPU time of the process: on a machine shared with other work the wall
// clock also counts the time the scheduler gave to others.
double CpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::vector<std::u16string> Names(const char* prefix, int count)
{
    std::vector<std::u16string> names;
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + std::to_string(i);
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = bench::CountArgument(argc, argv, 10000);
    const std::filesystem::path folder = bench::UseFreshDataFolder("categories");
    if (folder.empty())
        return 1;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    {
        DbKestrin journal;
        if (!journal.Open(nullptr))
            return 1;
        for (const char* prefix : { "first-", "second-" }) {
            const Entry entry { .subject = u"Many categories", .categories = Names(prefix, count) };
            const auto start = Clock::now();
            const double cpu = CpuSeconds();
            const CEOID oid = AddEntry(journal, entry);
            std::printf("entry with %d new categories (%s...): %.3f s (cpu %.3f s)%s\n", count, prefix,
                Seconds(Clock::now() - start), CpuSeconds() - cpu, oid ? "" : " (FAILED)");
        }
        journal.Close();
    }
    // The shared database alone, from a new store (the 16-bit numbers would
    // run out after the entries above).
    ObjectStore::Close();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    {
        DbCats categories;
        categories.Open(nullptr);
        for (const char* prefix : { "batch-", "alone-" }) {
            const bool batched = prefix[0] == 'b';
            const auto names = Names(prefix, count);
            const DWORD before = categories.GetRecordCount32();
            const auto start = Clock::now();
            const double cpu = CpuSeconds();
            std::optional<ObjectStoreTransaction> batch;
            if (batched)
                batch.emplace();
            CEOID last = 0;
            for (const auto& name : names)
                last = categories.AddCategory(name.c_str(), PROPID_CATCOUNT_JOURNAL);
            if (batch && !batch->Commit())
                last = 0;
            std::printf("%d AddCategory calls %s on %u categories: %.3f s (cpu %.3f s)%s\n", count,
                batched ? "in one batch" : "each committed", before, Seconds(Clock::now() - start),
                CpuSeconds() - cpu, last ? "" : " (FAILED)");
        }
        categories.Close();
    }
    ObjectStore::Close();
    std::filesystem::remove_all(folder);
    return 0;
}
