// Two processes on one store: changes of one are seen by the other, a
// database open in one cannot be re-sorted or deleted by the other, and a
// writer killed in the middle of a batch leaves the store whole; a count in
// slices goes on while another process writes.

#include "PeerProcess.h"
#include "StoreTestSupport.h"

#include "FullTextIndex.h"

#include <numeric>

namespace {

constexpr CEPROPID kNumber = MakePropID(1, CEVT_I4);

TEST_F(StoreTest, ChangesOfAnotherProcessBecomeVisible)
{
    HANDLE h = CreateAndOpen(u"Shared", { { kNumber, CEDB_SORT_DESCENDING } }, kNumber);
    WriteOne(h, LongValue(kNumber, 500));
    ASSERT_EQ(1u, Walk(h).size());

    Peer writer({ home.file("objects.db").string(), "write", "Shared", "20" });
    ASSERT_EQ("done", writer.ReadLine());
    EXPECT_EQ(0, writer.Wait());
    // Calls in quick succession share one read snapshot; what others commit
    // shows once it is older than the read window. The handle that was open
    // all along sees the new records in order.
    ASSERT_TRUE(Eventually([&] { return CeGetRecordCount(h) == 21u; }));
    const std::vector<CEOID> order = Walk(h);
    ASSERT_EQ(21u, order.size());
    LONG previous = 1 << 30;
    for (CEOID oid : order) {
        ASSERT_EQ(oid, Seek(h, CEDB_SEEK_CEOID, oid));
        const LONG value = ReadAll(h, { kNumber }).values[0].val.lVal;
        EXPECT_LT(value, previous);
        previous = value;
    }
    DWORD index = 0;
    EXPECT_EQ(order[20], Seek(h, CEDB_SEEK_BEGINNING, 20, &index));
    CloseHandle(h);
}

TEST_F(StoreTest, DatabaseOpenInAnotherProcessCannotBeResortedOrDeleted)
{
    ASSERT_NE(0u, CeCreateDatabase(u"Held", 0, 0, nullptr));
    CEOID db = 0;
    CloseHandle(CeOpenDatabase(&db, u"Held", 0, 0, nullptr));
    Peer holder({ home.file("objects.db").string(), "hold", "Held" });
    ASSERT_EQ("open", holder.ReadLine());

    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDSORTSPEC;
    change.wNumSortOrder = 1;
    change.rgSortSpecs[0] = { kNumber, 0 };
    SetLastError(0);
    EXPECT_FALSE(CeSetDatabaseInfo(db, &change));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_FALSE(CeDeleteDatabase(db));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());

    holder.CloseInput();
    EXPECT_EQ(0, holder.Wait());
    EXPECT_TRUE(CeSetDatabaseInfo(db, &change));
    EXPECT_TRUE(CeDeleteDatabase(db));
}

TEST_F(StoreTest, WriterKilledInTheMiddleOfABatchLeavesTheStoreWhole)
{
    ASSERT_NE(0u, CeCreateDatabase(u"Crash", 0, 0, nullptr));
    ObjectStore::Close();

    // 100 records committed one by one, then 10,000 of 1 KiB in one
    // transaction (far more than the page cache holds, so uncommitted pages
    // reach the log) when the writer dies.
    Peer writer({ home.file("objects.db").string(), "batch", "Crash", "100", "10000" });
    ASSERT_EQ("batch", writer.ReadLine());
    writer.Kill();
    writer.Wait();

    ASSERT_TRUE(ObjectStore::Open(home.file("objects.db"))) << ObjectStore::LastOpenError();
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Crash", 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(100u, CeGetRecordCount(h));
    std::vector<LONG> numbers;
    for (CEOID oid = Seek(h, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(h, CEDB_SEEK_CURRENT, 1)) {
        const ReadResult r = ReadAll(h);
        ASSERT_EQ(2u, r.values.size());
        numbers.push_back(r.values[0].val.lVal);
        EXPECT_TRUE(r.blobs[1].empty());
    }
    std::vector<LONG> expected(100);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(expected, numbers);

    // The store takes writes again.
    EXPECT_NE(0u, WriteOne(h, LongValue(kNumber, 7)));
    CloseHandle(h);
}

TEST_F(StoreTest, WritesKeepAnIndexInStepThatAnotherProcessBuilt)
{
    HANDLE h = CreateAndOpen(u"Indexed later", {});
    ASSERT_NE(0u, WriteOne(h, TextValue(kText, u"before the index")));
    CEOID db = 0;
    CloseHandle(CeOpenDatabase(&db, u"Indexed later", 0, 0, nullptr));
    EXPECT_FALSE(CeFullTextIndexReady(db, kText));

    // This process wrote while no index existed; once the peer has built
    // one, its writes go into it.
    Peer indexer({ home.file("objects.db").string(), "index", "Indexed later", std::to_string(kText) });
    ASSERT_EQ("done", indexer.ReadLine());
    EXPECT_EQ(0, indexer.Wait());
    ASSERT_TRUE(Eventually([&] { return CeFullTextIndexReady(db, kText) != FALSE; }));
    ASSERT_NE(0u, WriteOne(h, TextValue(kText, u"after the index")));
    EXPECT_TRUE(CeFullTextIndexReady(db, kText)) << "the write kept the index in step";
    EXPECT_EQ(CeCountText(h, kText, u"the index", FALSE), 2u);
    EXPECT_EQ(CeCountText(h, kText, u"after", FALSE), 1u);
    CloseHandle(h);
}

TEST_F(StoreTest, CountInSlicesStartsAgainWhenAnotherProcessWrites)
{
    HANDLE h = CreateAndOpen(u"Counted", {});
    ASSERT_TRUE(CeBeginTransaction());
    for (int n = 0; n < 1000; ++n)
        WriteOne(h, TextValue(kText, u"an alpha text"));
    ASSERT_TRUE(CeCommitTransaction());
    CEOID db = 0;
    CloseHandle(CeOpenDatabase(&db, u"Counted", 0, 0, nullptr));
    ASSERT_TRUE(CeBuildFullTextIndex(db, 1, &kText));

    // The peer deletes records the count has passed between two slices:
    // the count starts again and ends with what is left.
    CeTextCount progress;
    ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    ASSERT_FALSE(progress.done);
    ASSERT_GE(progress.count, 10u);
    Peer deleter({ home.file("objects.db").string(), "delete-first", "Counted", "10" });
    ASSERT_EQ("done", deleter.ReadLine());
    EXPECT_EQ(0, deleter.Wait());
    ASSERT_TRUE(Eventually([&] { return CeGetRecordCount(h) == 990u; }));
    while (!progress.done)
        ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    EXPECT_EQ(progress.count, 990u);
    EXPECT_TRUE(CeFullTextIndexReady(db, kText));
    EXPECT_EQ(CeCountText(h, kText, u"alpha", FALSE), 990u);
    CloseHandle(h);
}

} // namespace
