// A walk reads the records ahead of it in stretches: every record must still
// read as the file holds it at the moment of the read, whatever changed after
// its stretch was read.

#include "ReadAhead.h"
#include "StoreTestSupport.h"

#include <sqlite3.h>

#include <map>

namespace {

constexpr LONG kRecords = 1000;

class ReadAheadTest : public OneDatabaseTest {
protected:
    ReadAheadTest()
        : OneDatabaseTest(u"Walk", { { kI4, 0 }, { kText, CEDB_SORT_CASEINSENSITIVE } }, kI4)
    {
    }
    void SetUp() override
    {
        OneDatabaseTest::SetUp();
        // Keys spread so that the key order is far from the OID order.
        for (LONG i = 0; i < kRecords; ++i) {
            const LONG key = (i * 389) % kRecords;
            oidOf[key] = WriteRecord(0, key, u"first");
        }
    }

    CEOID WriteRecord(CEOID oid, LONG key, const std::u16string& text)
    {
        const CEPROPVAL values[] = { LongValue(kI4, key), TextValue(kText, text.c_str()) };
        return CeWriteRecordProps(h, oid, 2, values);
    }
    // Reads the record under the cursor, checks it is the one at `pos`, and
    // steps on.
    std::u16string ReadAndStep(LONG pos)
    {
        const ReadResult r = ReadAll(h);
        EXPECT_EQ(2u, r.values.size());
        if (r.values.size() != 2)
            return {};
        EXPECT_EQ(pos, r.values[0].val.lVal);
        Seek(h, CEDB_SEEK_CURRENT, 1);
        return r.texts[1];
    }

    std::map<LONG, CEOID> oidOf; // by key, which is also the position
};

TEST_F(ReadAheadTest, LongWalksReadEveryRecordOnceInOrder)
{
    // Two walks over the whole database, the second on a handle opened in
    // another order in between: stretches grow and start over.
    for (int round = 0; round < 2; ++round) {
        Seek(h, CEDB_SEEK_BEGINNING, 0);
        for (LONG pos = 0; pos < kRecords; ++pos)
            ASSERT_EQ(u"first", ReadAndStep(pos)) << pos;
        EXPECT_EQ(0u, ReadAll(h).oid);
        EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
    }

    // Two handles walking side by side each read their own records.
    CEOID db = 0;
    HANDLE byText = CeOpenDatabase(&db, u"Walk", kText, 0, nullptr);
    WriteRecord(oidOf[500], 500, u"last");
    Seek(h, CEDB_SEEK_BEGINNING, 0);
    Seek(byText, CEDB_SEEK_BEGINNING, 0);
    for (LONG pos = 0; pos < kRecords; ++pos) {
        ASSERT_EQ(pos == 500 ? u"last" : u"first", ReadAndStep(pos));
        const ReadResult other = ReadAll(byText);
        ASSERT_EQ(2u, other.values.size());
        EXPECT_EQ(pos == kRecords - 1 ? u"last" : u"first", other.texts[1]);
        Seek(byText, CEDB_SEEK_CURRENT, 1);
    }
    CloseHandle(byText);
}

TEST_F(ReadAheadTest, ChangesAfterTheStretchWasReadShowInTheWalk)
{
    Seek(h, CEDB_SEEK_BEGINNING, 0);
    // The second read starts the walk's first stretch.
    ReadAndStep(0);
    ReadAndStep(1);

    // A write of this process.
    WriteRecord(oidOf[5], 5, u"written");
    for (LONG pos = 2; pos < 5; ++pos)
        ReadAndStep(pos);
    EXPECT_EQ(u"written", ReadAndStep(5));

    // A write undone: read ahead while it stood, then rolled back.
    {
        ObjectStoreTransaction batch;
        ASSERT_TRUE(batch.IsActive());
        WriteRecord(oidOf[10], 10, u"undone");
        ReadAndStep(6);
        ReadAndStep(7);
        batch.Rollback();
    }
    for (LONG pos = 8; pos < 10; ++pos)
        ReadAndStep(pos);
    EXPECT_EQ(u"first", ReadAndStep(10));

    // A record deleted ahead of the walk: the walk goes on past it.
    ReadAndStep(11);
    ASSERT_TRUE(CeDeleteRecord(h, oidOf[13]));
    ReadAndStep(12);
    EXPECT_EQ(14, ReadAll(h).values[0].val.lVal);

    // A commit of another connection, as another process would make it.
    const CEOID target = oidOf[20];
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(home.file("objects.db").c_str(), &other));
    sqlite3_busy_timeout(other, 5000);
    const std::string copyOfPos5 = "UPDATE records SET props = (SELECT props FROM records WHERE oid = "
        + std::to_string(oidOf[5]) + ") WHERE oid = " + std::to_string(target);
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, copyOfPos5.c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(other);
    // Calls in quick succession share one snapshot; the commit shows after it.
    ASSERT_TRUE(Eventually([&] {
        Seek(h, CEDB_SEEK_CEOID, target);
        return ReadAll(h).values.at(0).val.lVal == 5;
    }));
    Seek(h, CEDB_SEEK_CEOID, target);
    const ReadResult r = ReadAll(h);
    ASSERT_EQ(2u, r.values.size());
    EXPECT_EQ(5, r.values[0].val.lVal);
    EXPECT_EQ(u"written", r.texts[1]);
}

TEST(ReadAheadBudget, LargeRecordsAreHeldOnlyUpToTheBudget)
{
    objectstore::ReadAhead ahead;
    const int walker = 0;
    const std::vector<BYTE> record(700 << 10, 0x5A);
    std::size_t pos = 0;
    ahead.Continues(&walker, pos);
    // Stretch after stretch of a walk over records of 700 KiB: the first
    // asks for more than fit, the later ones for what fits.
    for (int stretch = 0; stretch < 4; ++stretch) {
        ASSERT_TRUE(ahead.Continues(&walker, ++pos));
        const std::size_t wanted = ahead.Start(1);
        std::size_t added = 0;
        while (added < wanted && ahead.Add(CEOID(1000 + added), record))
            ++added;
        EXPECT_GE(added, 1u);
        EXPECT_LE(ahead.HeldBytes(), objectstore::ReadAhead::kBudgetBytes);
        ASSERT_TRUE(ahead.Find(1, CEOID(1000 + added - 1)));
        EXPECT_EQ(record.size(), ahead.Find(1, 1000)->size());
        EXPECT_FALSE(ahead.Find(2, 1000)) << "another database";
    }
    // A record larger than the whole budget is still held on its own.
    ASSERT_TRUE(ahead.Continues(&walker, ++pos));
    ahead.Start(1);
    EXPECT_TRUE(ahead.Add(7, std::vector<BYTE>(objectstore::ReadAhead::kBudgetBytes + 1)));
    EXPECT_FALSE(ahead.Add(8, record));
}

class LargeRecordWalk : public OneDatabaseTest {
protected:
    LargeRecordWalk()
        : OneDatabaseTest(u"Large", {})
    {
    }
};

TEST_F(LargeRecordWalk, RecordsBeyondAStretchBudgetAreReadWhole)
{
    // 40 records of 600 KiB: the first stretch of the walk holds only part.
    std::map<CEOID, BYTE> fillOf;
    for (BYTE i = 0; i < 40; ++i) {
        std::vector<BYTE> bytes(600 << 10, i);
        CEPROPVAL v {};
        v.propid = kBlob;
        v.val.blob = { DWORD(bytes.size()), bytes.data() };
        fillOf[WriteOne(h, v)] = i;
    }
    std::size_t walked = 0;
    for (CEOID oid = Seek(h, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(h, CEDB_SEEK_CURRENT, 1), ++walked) {
        const ReadResult r = ReadAll(h);
        ASSERT_EQ(oid, r.oid);
        ASSERT_EQ(1u, r.blobs.size());
        ASSERT_EQ(std::size_t(600 << 10), r.blobs[0].size());
        EXPECT_EQ(std::vector<BYTE>(600 << 10, fillOf[oid]), r.blobs[0]);
    }
    EXPECT_EQ(40u, walked);
}

} // namespace
