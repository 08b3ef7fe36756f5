// Who may open a store and what opening costs: opening a store that is set up
// writes nothing and never waits for a writer; a store on a read-only folder
// or a full disk opens for reading; closing folds the log into the file; the
// data folder and files are private; writers wait for a running check.

#include "PeerProcess.h"
#include "ChildProcess.h"
#include "StoreTestSupport.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

constexpr CEPROPID kNumber = MakePropID(1, CEVT_I4);

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

unsigned ModeOf(const fs::path& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Makes a store at `file` with a database "Notes" of `count` records, closed.
void MakeStore(const fs::path& file, LONG count)
{
    ASSERT_TRUE(ObjectStore::Open(file)) << ObjectStore::LastOpenError();
    const SORTORDERSPEC byNumber { kNumber, 0 };
    ASSERT_NE(0u, CeCreateDatabase(u"Notes", 1, 1, &byNumber));
    HANDLE h = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    for (LONG i = 0; i < count; ++i)
        ASSERT_NE(0u, WriteOne(h, LongValue(kNumber, i)));
    CloseHandle(h);
    ObjectStore::Close();
}

// In this process: opens `file`, counts the records of "Notes" and tries a
// write. "" when the store opened read-only, held `count` records and refused
// the write with 5; else what went wrong.
std::string ReadOnlyOpenProblem(const fs::path& file, DWORD count)
{
    if (!ObjectStore::Open(file))
        return "not opened: " + ObjectStore::LastOpenError();
    std::string problem;
    HANDLE h = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        problem = "database not opened, error " + std::to_string(GetLastError());
    else if (CeGetRecordCount(h) != count)
        problem = "records: " + std::to_string(CeGetRecordCount(h));
    else if (!ObjectStore::IsReadOnly())
        problem = "not marked read-only";
    else if (CeWriteRecordProps(h, 0, 0, nullptr) != 0 || GetLastError() != ERROR_ACCESS_DENIED)
        problem = "write not refused with 5 (" + std::to_string(GetLastError()) + ")";
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    ObjectStore::Close();
    return problem;
}

TEST(StoreAccess, OpeningWritesNothingAndTheLastCloseLeavesTheFileWhole)
{
    TempHome home;
    const fs::path file = home.file("objects.db");
    MakeStore(file, 3);
    ASSERT_FALSE(HasFatalFailure());
    // The last connection folded the log back: the file alone is the store.
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));
    TempHome elsewhere;
    fs::copy_file(file, elsewhere.file("copy.db"));
    ASSERT_TRUE(ObjectStore::Open(elsewhere.file("copy.db")));
    HANDLE copy = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    EXPECT_EQ(3u, CeGetRecordCount(copy));
    CloseHandle(copy);
    ObjectStore::Close();

    // Opening and reading a store that is set up adds nothing to its log.
    const std::string before = Bytes(file);
    ASSERT_TRUE(ObjectStore::Open(file)) << ObjectStore::LastOpenError();
    HANDLE h = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(3u, Walk(h).size());
    CloseHandle(h);
    std::error_code ec;
    EXPECT_EQ(0u, fs::file_size(file.string() + "-wal", ec));
    ObjectStore::Close();
    EXPECT_EQ(before, Bytes(file));

    // A process that ends without closing anything leaves no log either.
    Peer writer({ file.string(), "write-and-exit", "Notes", "10" });
    EXPECT_EQ("done", writer.ReadLine());
    EXPECT_EQ(0, writer.Wait());
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));
    EXPECT_NE(before, Bytes(file));
}

TEST(StoreAccess, DataFolderAndStoreFilesArePrivate)
{
    TempHome home;
    const mode_t previous = ::umask(0); // the rights must not depend on it
    const fs::path folder = home.file("new") / "kestrin";
    ASSERT_TRUE(ObjectStore::Open(folder / "objects.db")) << ObjectStore::LastOpenError();
    ASSERT_NE(0u, CeCreateDatabase(u"Notes", 1, 0, nullptr));
    EXPECT_EQ(0700u, ModeOf(folder));
    for (const char* name : { "objects.db", "objects.db-wal", "objects.db-shm", "objects.db-open" })
        EXPECT_EQ(0600u, ModeOf(folder / name)) << name;
    ObjectStore::Close();

    // A folder the user made with other rights keeps them.
    const fs::path shared = home.file("shared");
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 0755);
    ASSERT_TRUE(ObjectStore::Open(shared / "objects.db"));
    EXPECT_EQ(0755u, ModeOf(shared));
    EXPECT_EQ(0600u, ModeOf(shared / "objects.db"));
    ObjectStore::Close();
    ::umask(previous);
}

TEST(StoreAccess, OpeningAndReadingNeverWaitForAWriter)
{
    TempHome home;
    const fs::path file = home.file("objects.db");
    MakeStore(file, 5);
    ASSERT_FALSE(HasFatalFailure());
    Peer writer({ file.string(), "hold-write", "Notes" });
    ASSERT_EQ("holding", writer.ReadLine());

    // The writer holds the write lock for as long as it likes; a new reader
    // opens and reads what was committed before.
    ASSERT_TRUE(ObjectStore::Open(file)) << ObjectStore::LastOpenError();
    HANDLE h = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(5u, Walk(h).size());
    CloseHandle(h);
    ObjectStore::Close();

    writer.CloseInput();
    EXPECT_EQ("committed", writer.ReadLine());
    EXPECT_EQ(0, writer.Wait());
}

TEST(StoreAccess, ReadOnlyFolderAndFullDiskOpenForReading)
{
    TempHome home;
    const fs::path file = home.file("objects.db");
    MakeStore(file, 4);
    ASSERT_FALSE(HasFatalFailure());

    // A folder and file nobody may write (checked as an ordinary user: root
    // may write anywhere).
    fs::remove(file.string() + "-open");
    ::chmod(file.c_str(), 0444);
    ::chmod(home.path().c_str(), 0555);
    EXPECT_EQ("", InChildProcess(ChildRights::OrdinaryUser, [&] { return ReadOnlyOpenProblem(file, 4); }));
    // Nothing was created or changed beside the store.
    EXPECT_EQ(std::vector<std::string> { "objects.db" }, FileNames(home.path()));
    ::chmod(home.path().c_str(), 0700);

    // A disk with no room left, not even for the log's companions.
    const std::string outcome = InChildProcess(ChildRights::OwnMountNamespace, [&] {
        const fs::path small = MountSmallDisk(home.file("disk"));
        if (small.empty())
            return std::string(kNoMount);
        fs::copy_file(file, small / "objects.db");
        FillDisk(small);
        return ReadOnlyOpenProblem(small / "objects.db", 4);
    });
    if (outcome == kNoMount)
        GTEST_SKIP() << "no tmpfs mount permitted here: the full-disk case was not run";
    EXPECT_EQ("", outcome);
}

TEST(StoreAccess, AWriterWaitsForARunningCheckToEnd)
{
    TempHome home;
    const fs::path file = home.file("objects.db");
    MakeStore(file, 1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(ObjectStore::Open(file));
    auto check = std::make_unique<IntegrityCheckMark>();
    ASSERT_TRUE(check->Held());
    auto batch = std::make_unique<ObjectStoreTransaction>();
    ASSERT_TRUE(batch->IsActive());

    // Without the mark the writer would give up with 32 after the busy
    // timeout; with it, it waits as long as the check runs.
    Peer writer({ file.string(), "write", "Notes", "2" });
    EXPECT_EQ("waiting for the check", writer.ReadLine());
    EXPECT_FALSE(ObjectStore::IntegrityCheckRunning()); // this process's own check
    ASSERT_TRUE(batch->Commit());
    check.reset();
    EXPECT_EQ("check over", writer.ReadLine());
    EXPECT_EQ("done", writer.ReadLine());
    EXPECT_EQ(0, writer.Wait());

    HANDLE h = CeOpenDatabase(nullptr, u"Notes", kNumber, 0, nullptr);
    EXPECT_EQ(3u, CeGetRecordCount(h));
    CloseHandle(h);
    ObjectStore::Close();
}

} // namespace
