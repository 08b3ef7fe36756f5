// The store's full-text index: built on demand, kept in step by every write,
// delete, rolled-back batch and database change, and answering exactly as
// the walk over the records that it replaces.

#include "StoreTestSupport.h"

#include "FullTextIndex.h"

#include <algorithm>

namespace {

// Blob texts in these tests are plain UTF-16LE.
std::u16string BlobText(const BYTE* data, std::size_t size)
{
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

class FullTextIndexTest : public OneDatabaseTest {
protected:
    FullTextIndexTest()
        : OneDatabaseTest(u"Texts", { { kI4, CEDB_SORT_DESCENDING } }, kI4)
    {
    }
    void SetUp() override
    {
        OneDatabaseTest::SetUp();
        CeSetFullTextReader(kBlob, &BlobText);
        CEOID oid = 0;
        HANDLE probe = CeOpenDatabase(&oid, u"Texts", 0, 0, nullptr);
        db = oid;
        CloseHandle(probe);
    }
    void TearDown() override
    {
        CeSetFullTextReader(kBlob, nullptr);
        OneDatabaseTest::TearDown();
    }

    CEOID Write(LONG key, const std::u16string& text, const std::u16string& blobText, CEOID oid = 0)
    {
        CEPROPVAL values[] = { LongValue(kI4, key), TextValue(kText, text.c_str()), {} };
        values[2].propid = kBlob;
        values[2].val.blob = { static_cast<DWORD>(blobText.size() * 2),
            reinterpret_cast<BYTE*>(const_cast<char16_t*>(blobText.data())) };
        return CeWriteRecordProps(h, oid, 3, values);
    }

    std::vector<CEOID> All(CEPROPID prop, const char16_t* text, bool caseSensitive)
    {
        Seek(h, CEDB_SEEK_BEGINNING, 0);
        std::vector<CEOID> found;
        EXPECT_TRUE(CeFindAllText(h, prop, text, caseSensitive, found));
        return found;
    }

    bool Ready() { return CeFullTextIndexReady(db, kText) && CeFullTextIndexReady(db, kBlob); }

    bool Build()
    {
        const CEPROPID props[] = { kText, kBlob };
        return CeBuildFullTextIndex(db, 2, props) != FALSE;
    }

    CEOID db = 0;
};

} // namespace

TEST_F(FullTextIndexTest, AnswersAsTheWalkForEveryKindOfText)
{
    const CEOID a = Write(1, u"Lunch at the café", u"Notes: \"quoted\" words");
    const CEOID b = Write(2, u"CAFÉ opening 😀😀😀", u"no café here, only CAFE");
    const CEOID c = Write(3, u"", u"");
    const CEOID d = Write(4, u"ab", u"Straße und STRASSE");
    ASSERT_TRUE(a && b && c && d);
    const char16_t* needles[] = { u"café", u"CAFÉ", u"ca", u"é", u"😀😀😀", u"\"quoted\"", u"ab", u"", u"straße",
        u"e, o", u"nothing at all" };
    std::vector<std::vector<CEOID>> walked;
    for (CEPROPID prop : { kText, kBlob })
        for (const char16_t* needle : needles)
            for (bool caseSensitive : { false, true })
                walked.push_back(All(prop, needle, caseSensitive));
    // The answers before (walk) and after the index was built agree.
    ASSERT_FALSE(Ready());
    ASSERT_TRUE(Build());
    ASSERT_TRUE(Ready());
    std::size_t n = 0;
    for (CEPROPID prop : { kText, kBlob })
        for (const char16_t* needle : needles)
            for (bool caseSensitive : { false, true }) {
                EXPECT_EQ(All(prop, needle, caseSensitive), walked[n])
                    << "needle " << n / 2 % std::size(needles) << (caseSensitive ? " (case)" : "");
                EXPECT_EQ(CeCountText(h, prop, needle, caseSensitive), walked[n].size());
                ++n;
            }
    EXPECT_EQ(All(kText, u"café", false), std::vector<CEOID>({ b, a })) << "the handle's order";

    // From the cursor on: the records before it are not listed.
    Seek(h, CEDB_SEEK_CEOID, a);
    std::vector<CEOID> found;
    ASSERT_TRUE(CeFindAllText(h, kText, u"café", FALSE, found));
    EXPECT_EQ(found, std::vector<CEOID>({ a }));
}

TEST_F(FullTextIndexTest, StaysInStepThroughWritesDeletesRollbacksAndChanges)
{
    const CEOID a = Write(1, u"first meeting", u"agenda");
    const CEOID b = Write(2, u"second meeting", u"minutes");
    ASSERT_TRUE(Build());

    ASSERT_EQ(Write(1, u"first lunch", u"menu", a), a);
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ b })) << "the old text is gone";
    EXPECT_EQ(All(kBlob, u"menu", false), std::vector<CEOID>({ a }));
    const CEOID c = Write(3, u"third meeting", u"agenda");
    ASSERT_TRUE(CeDeleteRecord(h, b));
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ c }));
    EXPECT_EQ(All(kBlob, u"agenda", true), std::vector<CEOID>({ c }));
    EXPECT_TRUE(Ready());

    // A batch that is rolled back leaves no trace in the index.
    ASSERT_TRUE(CeBeginTransaction());
    Write(4, u"rolled back meeting", u"");
    ASSERT_TRUE(CeDeleteRecord(h, c));
    ASSERT_TRUE(CeRollbackTransaction());
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ c }));
    EXPECT_TRUE(Ready());

    // A new type touches no text; the handle left open sees later writes.
    CEDBASEINFO info {};
    info.dwFlags = CEDB_VALIDTYPE;
    info.dwDbaseType = 7;
    ASSERT_TRUE(CeSetDatabaseInfo(db, &info));
    EXPECT_TRUE(Ready());

    // A process without the blob's reader cannot keep the index: it is left
    // behind, and searches walk until it is built again.
    CeSetFullTextReader(kBlob, nullptr);
    const CEOID d = Write(5, u"late meeting", u"unread");
    CeSetFullTextReader(kBlob, &BlobText);
    EXPECT_FALSE(Ready());
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ d, c }));
    EXPECT_EQ(All(kBlob, u"unread", false), std::vector<CEOID>({ d }));
    ASSERT_TRUE(Build());
    EXPECT_EQ(All(kBlob, u"unread", false), std::vector<CEOID>({ d }));
}

TEST_F(FullTextIndexTest, ABatchFeedsTheIndexAtItsCommitWithoutWhatItTookBack)
{
    const CEOID a = Write(1, u"kept meeting", u"");
    ASSERT_TRUE(Build());

    ASSERT_TRUE(CeBeginTransaction());
    const CEOID b = Write(2, u"outer meeting", u"");
    ASSERT_TRUE(CeBeginTransaction());
    ASSERT_NE(Write(3, u"inner meeting", u""), 0u);
    ASSERT_TRUE(CeDeleteRecord(h, a));
    ASSERT_TRUE(CeRollbackTransaction());
    // Searched inside the batch, its own writes are found.
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ b, a }));
    const CEOID c = Write(4, u"later meeting", u"");
    ASSERT_TRUE(CeCommitTransaction());
    EXPECT_TRUE(Ready());
    EXPECT_EQ(All(kText, u"meeting", false), std::vector<CEOID>({ c, b, a }));
    EXPECT_EQ(CeCountText(h, kText, u"inner", FALSE), 0u) << "the inner level's write was taken back";
    EXPECT_EQ(CeCountText(h, kText, u"meeting", FALSE), 3u);

    // Suspended, the index is left behind and not kept; built again, it
    // answers for what was written meanwhile.
    ASSERT_TRUE(CeSuspendFullTextIndex(db));
    EXPECT_FALSE(Ready());
    const CEOID d = Write(5, u"unindexed meeting", u"");
    EXPECT_EQ(All(kText, u"meeting", false).size(), 4u) << "searches walk meanwhile";
    ASSERT_TRUE(Build());
    EXPECT_TRUE(Ready());
    EXPECT_EQ(All(kText, u"unindexed", false), std::vector<CEOID>({ d }));
    EXPECT_EQ(CeCountText(h, kText, u"meeting", FALSE), 4u);
}

TEST_F(FullTextIndexTest, RefusesWhatItCannotSearch)
{
    const CEPROPID unread = MakePropID(20, CEVT_BLOB);
    const CEPROPID number = kI4;
    EXPECT_FALSE(CeBuildFullTextIndex(db, 1, &unread));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(CeBuildFullTextIndex(db, 1, &number));
    const CEPROPID twice[] = { kText, kText };
    EXPECT_FALSE(CeBuildFullTextIndex(db, 2, twice));
    EXPECT_FALSE(CeBuildFullTextIndex(0x7FFFFFF0, 1, &kText));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    std::vector<CEOID> found { 1, 2 };
    EXPECT_FALSE(CeFindAllText(h, kText, nullptr, FALSE, found));
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(CeFindAllText(h, unread, u"text", FALSE, found));
    EXPECT_EQ(CeCountText(reinterpret_cast<HANDLE>(0x7), kText, u"text", FALSE), 0xFFFFFFFFu);

    // A database deleted with its index leaves nothing behind for the next.
    ASSERT_TRUE(Write(1, u"some text", u"") != 0);
    ASSERT_TRUE(Build());
    CloseHandle(h);
    h = nullptr;
    ASSERT_TRUE(CeDeleteDatabase(db));
    h = CreateAndOpen(u"Texts", { { kI4, CEDB_SORT_DESCENDING } }, kI4);
    EXPECT_TRUE(All(kText, u"some", false).empty());
}

namespace {

// Counts to the end in slices of `budgetMs`; the number of calls it took
// goes to `calls`. Every partial count is a lower bound of the final one.
DWORD CountInSlices(HANDLE h, CEPROPID prop, const char16_t* text, bool caseSensitive, DWORD budgetMs,
    int& calls)
{
    CeTextCount progress;
    DWORD before = 0;
    for (calls = 0; !progress.done && calls < 10000; ++calls) {
        EXPECT_TRUE(CeCountTextSome(h, prop, text, caseSensitive, budgetMs, &progress));
        EXPECT_GE(progress.count, before) << "a count never goes back within one version";
        before = progress.count;
    }
    EXPECT_TRUE(progress.done) << "every call gets on";
    return progress.count;
}

} // namespace

TEST_F(FullTextIndexTest, CountsInSlicesExactlyAsTheWholeCount)
{
    // "Alpha" in every other subject, "alpha" in every third note: rows of
    // both properties interleave, and a subject match is no note match.
    std::vector<CEOID> oids;
    ASSERT_TRUE(CeBeginTransaction());
    for (LONG n = 0; n < 600; ++n)
        oids.push_back(Write(n, n % 2 ? u"Alpha and beta" : u"beta", n % 3 ? u"gamma" : u"some alpha here"));
    ASSERT_TRUE(CeCommitTransaction());
    const char16_t* needles[] = { u"alpha", u"Alpha", u"beta", u"a", u"ta", u"nowhere" };
    int calls = 0;

    // Without the index the whole walk is counted at once.
    ASSERT_FALSE(Ready());
    for (const char16_t* needle : needles)
        for (bool caseSensitive : { false, true }) {
            EXPECT_EQ(CountInSlices(h, kText, needle, caseSensitive, 0, calls), CeCountText(h, kText, needle, caseSensitive));
            EXPECT_EQ(calls, 1);
        }

    ASSERT_TRUE(Build());
    for (CEPROPID prop : { kText, kBlob })
        for (const char16_t* needle : needles)
            for (bool caseSensitive : { false, true })
                for (DWORD budget : { 0u, 1u, 1000u }) {
                    const std::size_t whole = All(prop, needle, caseSensitive).size();
                    EXPECT_EQ(CeCountText(h, prop, needle, caseSensitive), whole);
                    EXPECT_EQ(CountInSlices(h, prop, needle, caseSensitive, budget, calls), whole)
                        << "needle " << std::u16string(needle).size() << (caseSensitive ? " (case)" : "")
                        << " budget " << budget;
                }
    EXPECT_EQ(CeCountText(h, kText, u"alpha", FALSE), 300u);
    EXPECT_EQ(CeCountText(h, kBlob, u"alpha", FALSE), 200u);
    CountInSlices(h, kText, u"beta", FALSE, 0, calls);
    EXPECT_GT(calls, 10) << "no budget: a few dozen index rows a call";

    // A record deleted behind the count's position or written ahead of it
    // between two slices: the count starts again and ends with the new
    // journal's count.
    CeTextCount progress;
    ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    ASSERT_FALSE(progress.done);
    ASSERT_GT(progress.count, 0u);
    ASSERT_TRUE(CeDeleteRecord(h, oids[1]));
    while (!progress.done)
        ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    EXPECT_EQ(progress.count, 299u);
    progress = {};
    ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    ASSERT_TRUE(Write(1000, u"late alpha", u"") != 0);
    while (!progress.done)
        ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    EXPECT_EQ(progress.count, 300u);

    // A finished count stays; wrong calls fail as CeCountText does.
    ASSERT_TRUE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, &progress));
    EXPECT_EQ(progress.count, 300u);
    EXPECT_FALSE(CeCountTextSome(h, kText, u"alpha", FALSE, 0, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CeTextCount fresh;
    EXPECT_FALSE(CeCountTextSome(h, kText, nullptr, FALSE, 0, &fresh));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(CeCountTextSome(reinterpret_cast<HANDLE>(0x7), kText, u"alpha", FALSE, 0, &fresh));
    EXPECT_FALSE(fresh.done);
}
