// The store file itself: files that are not stores or are damaged are refused
// and left exactly as they were; a full disk fails a write cleanly and leaves
// the store usable.

#include "StoreTestSupport.h"

#include <sqlite3.h>

#include <fstream>
#include <iterator>

namespace {

constexpr CEPROPID kNumber = MakePropID(1, CEVT_I4);
constexpr CEPROPID kPayload = MakePropID(2, CEVT_BLOB);

std::string FileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectRefusedAndUntouched(const std::filesystem::path& file, const char* reason)
{
    const std::string before = FileBytes(file);
    EXPECT_FALSE(ObjectStore::Open(file));
    const std::string message = ObjectStore::LastOpenError();
    EXPECT_NE(std::string::npos, message.find(file.string())) << message;
    EXPECT_NE(std::string::npos, message.find(reason)) << message;
    // Calls fail instead of falling back to another store.
    CEOID db = 0;
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&db, u"\\Categories Database", 0, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_BADDB), GetLastError());
    ObjectStore::Close();
    EXPECT_EQ(before, FileBytes(file));
}

TEST(StoreFile, ForeignDamagedOrNewerFilesAreRefusedAndLeftAlone)
{
    TempHome home;
    const auto text = home.file("text.db");
    std::ofstream(text) << "These are notes, not a database.\n";
    ExpectRefusedAndUntouched(text, "not a database");

    // Another program's SQLite database.
    const auto foreign = home.file("foreign.db");
    sqlite3* db = nullptr;
    sqlite3_open(foreign.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ExpectRefusedAndUntouched(foreign, "another program");

    // A store from a newer version.
    const auto newer = home.file("newer.db");
    ASSERT_TRUE(ObjectStore::Open(newer));
    ObjectStore::Close();
    sqlite3_open(newer.c_str(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 99;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ExpectRefusedAndUntouched(newer, "newer version");

    // A store whose pages were overwritten.
    const auto damaged = home.file("damaged.db");
    ASSERT_TRUE(ObjectStore::Open(damaged));
    CEOID dbOid = 0;
    CeCreateDatabase(u"Data", 0, 0, nullptr);
    HANDLE h = CeOpenDatabase(&dbOid, u"Data", 0, 0, nullptr);
    std::vector<BYTE> payload(3000, 0x5A);
    for (LONG i = 0; i < 200; ++i) {
        CEPROPVAL v[2] = { LongValue(kNumber, i), {} };
        v[1].propid = kPayload;
        v[1].val.blob = { DWORD(payload.size()), payload.data() };
        ASSERT_NE(0u, CeWriteRecordProps(h, 0, 2, v));
    }
    CloseHandle(h);
    ObjectStore::Close();
    {
        std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 3);
        const std::string garbage(4096 * 4, '\x7F');
        f.write(garbage.data(), garbage.size());
    }
    ExpectRefusedAndUntouched(damaged, "damaged");
}

TEST_F(StoreTest, DiskFullFailsTheWriteWithCode112AndTheStoreStaysUsable)
{
    HANDLE h = CreateAndOpen(u"Full", { { kNumber, 0 } }, kNumber);
    std::vector<BYTE> payload(64 * 1024, 0x11);
    const auto write = [&](LONG n) {
        CEPROPVAL v[2] = { LongValue(kNumber, n), {} };
        v[1].propid = kPayload;
        v[1].val.blob = { DWORD(payload.size()), payload.data() };
        return CeWriteRecordProps(h, 0, 2, v);
    };
    ASSERT_NE(0u, write(0));
    const auto size = std::filesystem::file_size(home.file("objects.db"));
    ASSERT_TRUE(ObjectStore::SetSizeLimit(size + 512 * 1024));

    LONG written = 1;
    SetLastError(0);
    while (written < 100 && write(written))
        ++written;
    ASSERT_LT(written, 100);
    EXPECT_EQ(DWORD(ERROR_DISK_FULL), GetLastError());
    EXPECT_EQ(DWORD(written), CeGetRecordCount(h));
    EXPECT_EQ(size_t(written), Walk(h).size());

    // Inside a batch the whole batch is void after the failure.
    {
        ObjectStoreTransaction tx;
        payload.resize(1024);
        LONG inBatch = 0;
        while (inBatch < 2000 && write(1000 + inBatch))
            ++inBatch;
        EXPECT_LT(inBatch, 2000);
        EXPECT_EQ(0u, write(5000));
        EXPECT_EQ(DWORD(ERROR_DISK_FULL), GetLastError());
        EXPECT_FALSE(tx.Commit());
        EXPECT_EQ(DWORD(ERROR_DISK_FULL), GetLastError());
    }
    EXPECT_EQ(DWORD(written), CeGetRecordCount(h));
    EXPECT_EQ(size_t(written), Walk(h).size());

    // Deleting still works, and so do writes once there is room.
    EXPECT_TRUE(CeDeleteRecord(h, Seek(h, CEDB_SEEK_BEGINNING, 0)));
    ASSERT_TRUE(ObjectStore::SetSizeLimit(0));
    payload.resize(64 * 1024);
    EXPECT_NE(0u, write(9999));
    EXPECT_EQ(DWORD(written), CeGetRecordCount(h));
    CloseHandle(h);
}

} // namespace
