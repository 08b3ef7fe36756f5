// Where OIDs come from: a new store starts at a random point, an older store
// keeps counting where it stands, and OIDs reserved ahead go to this
// process's next records only and are never handed out twice.

#include "StoreTestSupport.h"

#include <sqlite3.h>

namespace {

constexpr CEPROPID kNumber = MakePropID(1, CEVT_I4);

// Runs SQL on the store file through a connection of its own.
void Sql(const std::filesystem::path& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &db));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// The store's OID counter as another connection reads it.
std::int64_t CounterInFile(const std::filesystem::path& file)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    std::int64_t value = -1;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK
        && sqlite3_prepare_v2(db, "SELECT value FROM store_meta WHERE key = 'next_oid'", -1, &st, nullptr)
            == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return value;
}

} // namespace

TEST(OidAllocation, NewStoresStartAtDifferentRandomPointsOlderStoresKeepTheirCount)
{
    TempHome home;
    std::vector<CEOID> firsts;
    for (const char* name : { "one.db", "two.db", "three.db" }) {
        ASSERT_TRUE(ObjectStore::Open(home.file(name)));
        const CEOID db = CeCreateDatabase(u"Numbers", 0, 0, nullptr);
        // Never 0, never the numbering every store used to share, and with
        // room for three thousand million OIDs after it.
        EXPECT_GE(db, 0x10000u);
        EXPECT_LE(db, 0x3FFF0100u);
        firsts.push_back(db);
        ObjectStore::Close();
    }
    EXPECT_FALSE(firsts[0] == firsts[1] && firsts[1] == firsts[2]) << "three stores began at " << firsts[0];

    // A store written before the start was random: its counter stands at
    // 0x10000 + what it used, and it goes on from there; an OID below the
    // counter is one that was deleted, one below 0x10000 never existed.
    const std::filesystem::path old = home.file("one.db");
    Sql(old,
        "DELETE FROM store_meta WHERE key = 'first_oid'; UPDATE store_meta SET value = 65546 WHERE key = "
        "'next_oid'");
    ASSERT_TRUE(ObjectStore::Open(old));
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Numbers", 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(65546u, WriteOne(h, LongValue(kNumber, 1)));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, 65540, nullptr));
    EXPECT_EQ(DWORD(ERROR_KEY_DELETED), GetLastError());
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, 4000, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    CloseHandle(h);
    ObjectStore::Close();

    // In a new store, an OID between 0x10000 and its first one never existed.
    ASSERT_TRUE(ObjectStore::Open(home.file("two.db")));
    h = CeOpenDatabase(&db, u"Numbers", 0, 0, nullptr);
    if (firsts[1] > 0x10001u) {
        EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, firsts[1] - 1, nullptr));
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    }
    CloseHandle(h);
    ObjectStore::Close();
}

class OidReservation : public OneDatabaseTest {
protected:
    OidReservation()
        : OneDatabaseTest(u"Numbers", {})
    {
    }
};

TEST_F(OidReservation, ReservedOidsGoToTheNextRecordsInOrderAndNeverAgain)
{
    const CEOID before = WriteOne(h, LongValue(kNumber, 0));
    CEOID first = 0;
    {
        ObjectStoreOidReservation reserved(5);
        ASSERT_TRUE(reserved.IsActive());
        first = reserved.First();
        EXPECT_GT(first, before);
        // Committed at once: another process writing meanwhile gets OIDs
        // past the reservation.
        EXPECT_EQ(std::int64_t(first) + 5, CounterInFile(home.file("objects.db")));
        EXPECT_EQ(first, WriteOne(h, LongValue(kNumber, 1)));
        EXPECT_EQ(first + 1, WriteOne(h, LongValue(kNumber, 2)));
        {
            // A record rolled back keeps its reserved OID to itself.
            ObjectStoreTransaction undone;
            EXPECT_EQ(first + 2, WriteOne(h, LongValue(kNumber, 3)));
        }
        EXPECT_EQ(first + 3, WriteOne(h, LongValue(kNumber, 4)));
    }
    // Ended: the unused OID first + 4 and the undone first + 2 stay unused.
    EXPECT_EQ(first + 5, WriteOne(h, LongValue(kNumber, 5)));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, first + 2, nullptr));

    // The counter is committed by the reservation itself: a store opened
    // anew after a reservation (the process died) goes on past it.
    CEOID lost = ObjectStoreOidReservation(100).First();
    CloseHandle(h);
    ObjectStore::Close();
    ASSERT_TRUE(ObjectStore::Open(home.file("objects.db")));
    CEOID db = 0;
    h = CeOpenDatabase(&db, u"Numbers", 0, 0, nullptr);
    EXPECT_EQ(lost + 100, WriteOne(h, LongValue(kNumber, 6)));

    // Inside a transaction the reservation is undone with it.
    CEOID inside = 0;
    {
        ObjectStoreTransaction batch;
        inside = ObjectStoreOidReservation(50).First();
        EXPECT_NE(0u, inside);
        batch.Rollback();
    }
    EXPECT_EQ(inside, WriteOne(h, LongValue(kNumber, 7)));

    // More than the 32-bit range holds is refused, and nothing is reserved.
    ObjectStoreOidReservation tooMany(0xFFFFFFF0u);
    EXPECT_FALSE(tooMany.IsActive());
    EXPECT_EQ(DWORD(ERROR_DISK_FULL), GetLastError());
    EXPECT_EQ(inside + 1, WriteOne(h, LongValue(kNumber, 8)));
}
