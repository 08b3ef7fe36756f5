// Change notifications to other handles, and batches of writes in one
// transaction.

#include "DbNotifyTarget.h"
#include "StoreTestSupport.h"

namespace {

constexpr CEPROPID kNumber = MakePropID(1, CEVT_I4);

struct Recorder : DbNotifyTarget {
    void OnDbNotify(UINT code, CEOID oid) override { calls.emplace_back(code, oid); }
    std::vector<std::pair<UINT, CEOID>> calls;
};

TEST_F(StoreTest, OtherHandlesOfTheDatabaseHearOfEveryChange)
{
    Recorder writerTarget, watcherTarget, elsewhereTarget;
    HANDLE writer = CreateAndOpen(u"Watched", {}, 0, AsNotifyWindow(&writerTarget));
    CEOID db = 0;
    HANDLE watcher = CeOpenDatabase(&db, u"Watched", 0, 0, AsNotifyWindow(&watcherTarget));
    // Two handles with one target hear each change once.
    HANDLE watcher2 = CeOpenDatabase(&db, u"Watched", 0, 0, AsNotifyWindow(&watcherTarget));
    HANDLE elsewhere = CreateAndOpen(u"Elsewhere", {}, 0, AsNotifyWindow(&elsewhereTarget));

    const CEOID oid = WriteOne(writer, LongValue(kNumber, 1));
    WriteOne(writer, LongValue(kNumber, 2), oid);
    CeDeleteRecord(writer, oid);
    EXPECT_EQ((std::vector<std::pair<UINT, CEOID>> {
                  { DB_CEOID_CREATED, oid }, { DB_CEOID_CHANGED, oid }, { DB_CEOID_RECORD_DELETED, oid } }),
        watcherTarget.calls);
    EXPECT_TRUE(writerTarget.calls.empty());
    EXPECT_TRUE(elsewhereTarget.calls.empty());

    // A failed write announces nothing.
    watcherTarget.calls.clear();
    WriteOne(writer, LongValue(kNumber, 3), oid);
    EXPECT_TRUE(watcherTarget.calls.empty());
    for (HANDLE h : { writer, watcher, watcher2, elsewhere })
        CloseHandle(h);
}

TEST_F(StoreTest, TransactionsCommitOrRollBackAsAWhole)
{
    Recorder target;
    HANDLE h = CreateAndOpen(u"Batch", { { kNumber, 0 } }, kNumber);
    CEOID db = 0;
    HANDLE watcher = CeOpenDatabase(&db, u"Batch", kNumber, 0, AsNotifyWindow(&target));
    const CEOID kept = WriteOne(h, LongValue(kNumber, 0));
    target.calls.clear();

    {
        ObjectStoreTransaction tx;
        ASSERT_TRUE(tx.IsActive());
        for (LONG i = 1; i <= 50; ++i)
            ASSERT_NE(0u, WriteOne(h, LongValue(kNumber, i)));
        ASSERT_TRUE(CeDeleteRecord(h, kept));
        // Inside the transaction the changes are visible, and positions with them.
        EXPECT_EQ(50u, CeGetRecordCount(h));
        EXPECT_EQ(50u, Walk(watcher).size());
        // Notifications wait for the commit.
        EXPECT_TRUE(target.calls.empty());
    } // rolled back
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(1u, CeGetRecordCount(h));
    EXPECT_EQ(std::vector<CEOID> { kept }, Walk(watcher));
    EXPECT_EQ(kept, Seek(watcher, CEDB_SEEK_BEGINNING, 0));
    EXPECT_EQ(kept, ReadAll(watcher).oid);

    ObjectStoreTransaction tx;
    for (LONG i = 1; i <= 10; ++i)
        WriteOne(h, LongValue(kNumber, i));
    {
        // A nested batch that rolls back takes only its own writes along.
        ObjectStoreTransaction inner;
        WriteOne(h, LongValue(kNumber, 99));
        EXPECT_EQ(12u, CeGetRecordCount(h));
    }
    EXPECT_TRUE(tx.Commit());
    EXPECT_EQ(11u, CeGetRecordCount(h));
    EXPECT_EQ(10u, target.calls.size());
    EXPECT_EQ(11u, Walk(watcher).size());
    EXPECT_FALSE(CeCommitTransaction());
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    CloseHandle(h);
    CloseHandle(watcher);
}

} // namespace
