// Moving the cursor: positions, relative steps, running off the ends, value
// seeks, and a cursor whose record is deleted or moved under it.

#include "StoreTestSupport.h"

namespace {

class SeekTest : public OneDatabaseTest {
protected:
    SeekTest()
        : OneDatabaseTest(u"Seek", { { kI4, 0 }, { kText, CEDB_SORT_CASEINSENSITIVE } }, kI4)
    {
    }
    void SetUp() override
    {
        OneDatabaseTest::SetUp();
        // Keys 10, 20, 20, 30, 40 written out of order.
        for (LONG key : { 30, 20, 40, 10, 20 })
            oids[key].push_back(WriteOne(h, LongValue(kI4, key)));
    }

    std::map<LONG, std::vector<CEOID>> oids;
};

TEST_F(SeekTest, PositionsAndStepsFollowTheSortOrderAndRunOffTheEnds)
{
    DWORD index = 99;
    EXPECT_EQ(oids[10][0], Seek(h, CEDB_SEEK_BEGINNING, 0, &index));
    EXPECT_EQ(0u, index);
    // Equal keys tie on the OID: the earlier record first.
    EXPECT_EQ(oids[20][0], Seek(h, CEDB_SEEK_BEGINNING, 1, &index));
    EXPECT_EQ(oids[20][1], Seek(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(oids[40][0], Seek(h, CEDB_SEEK_CURRENT, 2));
    EXPECT_EQ(oids[30][0], Seek(h, CEDB_SEEK_CURRENT, DWORD_PTR(-1)));
    EXPECT_EQ(oids[40][0], Seek(h, CEDB_SEEK_END, 0, &index));
    EXPECT_EQ(4u, index);
    EXPECT_EQ(oids[30][0], Seek(h, CEDB_SEEK_END, DWORD(-1)));
    EXPECT_EQ(oids[20][1], Seek(h, CEDB_SEEK_CEOID, oids[20][1], &index));
    EXPECT_EQ(2u, index);

    // Past the last record: 0, and a read there fails silently with 259.
    EXPECT_EQ(oids[40][0], Seek(h, CEDB_SEEK_END, 0));
    SetLastError(0);
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_CURRENT, 1));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), ReadAll(h).error);
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_CURRENT, 0));
    // From past the end one step back is the last record again.
    EXPECT_EQ(oids[40][0], Seek(h, CEDB_SEEK_CURRENT, DWORD(-1)));
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_BEGINNING, 5));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), ReadAll(h).error);
    EXPECT_EQ(oids[10][0], Seek(h, CEDB_SEEK_BEGINNING, 0));
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_CURRENT, DWORD(-1)));
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_END, DWORD(-5)));

    // An OID that is not a record of this database leaves the cursor alone.
    EXPECT_EQ(oids[30][0], Seek(h, CEDB_SEEK_CEOID, oids[30][0]));
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_CEOID, 0xFFFFF000));
    EXPECT_EQ(oids[30][0], ReadAll(h).oid);
    EXPECT_EQ(0u, Seek(h, 0x4000, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SeekTest, ValueSeeksFindEqualValuesOfTheCurrentSortPropertyOnly)
{
    const CEPROPVAL twenty = LongValue(kI4, 20);
    DWORD index = 0;
    EXPECT_EQ(oids[20][0], Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&twenty), &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(oids[20][1], Seek(h, CEDB_SEEK_VALUENEXTEQUAL, DWORD_PTR(&twenty)));
    // No third 20: the cursor stays on the second.
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_VALUENEXTEQUAL, DWORD_PTR(&twenty)));
    EXPECT_EQ(oids[20][1], ReadAll(h).oid);

    const CEPROPVAL missing = LongValue(kI4, 25);
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&missing)));
    EXPECT_EQ(oids[20][1], ReadAll(h).oid);

    // Another property than the current sort property, or no value: 87.
    const CEPROPVAL name = TextValue(kText, u"x");
    SetLastError(0);
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&name)));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    // A handle in OID order has no value to seek by.
    CEOID db = 0;
    HANDLE byOid = CeOpenDatabase(&db, u"Seek", 0, 0, nullptr);
    EXPECT_EQ(0u, Seek(byOid, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&twenty)));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    // OID order is creation order.
    EXPECT_EQ((std::vector<CEOID> { oids[30][0], oids[20][0], oids[40][0], oids[10][0], oids[20][1] }),
        Walk(byOid));

    // From a cursor whose record was deleted under it, the next equal value
    // is the first one after where that record stood, not the one after it.
    ASSERT_EQ(oids[20][0], Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&twenty)));
    ASSERT_TRUE(CeDeleteRecord(byOid, oids[20][0]));
    EXPECT_EQ(oids[20][1], Seek(h, CEDB_SEEK_VALUENEXTEQUAL, DWORD_PTR(&twenty)));
    CloseHandle(byOid);
}

TEST_F(SeekTest, CursorOnADeletedRecordStepsToItsNeighbours)
{
    CEOID db = 0;
    HANDLE other = CeOpenDatabase(&db, u"Seek", kI4, 0, nullptr);
    ASSERT_EQ(oids[30][0], Seek(h, CEDB_SEEK_CEOID, oids[30][0]));

    // Deleted through another handle: reading says so, stepping goes on from
    // where the record stood (the walk-and-delete loops rely on this).
    ASSERT_TRUE(CeDeleteRecord(other, oids[30][0]));
    EXPECT_EQ(DWORD(ERROR_KEY_DELETED), ReadAll(h).error);
    EXPECT_EQ(oids[40][0], Seek(h, CEDB_SEEK_CURRENT, 1));
    ASSERT_EQ(oids[20][1], Seek(h, CEDB_SEEK_CEOID, oids[20][1]));
    ASSERT_TRUE(CeDeleteRecord(h, oids[20][1]));
    EXPECT_EQ(oids[20][0], Seek(h, CEDB_SEEK_CURRENT, DWORD(-1)));

    // A record whose key changes moves, and the cursor moves with it.
    ASSERT_EQ(oids[10][0], WriteOne(other, LongValue(kI4, 50), oids[10][0]));
    ASSERT_EQ(oids[10][0], Seek(h, CEDB_SEEK_CEOID, oids[10][0]));
    ASSERT_EQ(oids[20][0], WriteOne(other, LongValue(kI4, 45), oids[20][0]));
    DWORD index = 0;
    EXPECT_EQ(oids[20][0], Seek(h, CEDB_SEEK_CURRENT, DWORD(-1), &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ((std::vector<CEOID> { oids[40][0], oids[20][0], oids[10][0] }), Walk(other));
    CloseHandle(other);
}

TEST_F(SeekTest, AutoIncrementMovesOnAfterEachRead)
{
    CEOID db = 0;
    HANDLE walker = CeOpenDatabase(&db, u"Seek", kI4, CEDB_AUTOINCREMENT, nullptr);
    std::vector<CEOID> read;
    for (ReadResult r = ReadAll(walker); r.oid; r = ReadAll(walker))
        read.push_back(r.oid);
    EXPECT_EQ(Walk(h), read);
    CloseHandle(walker);
}

} // namespace
