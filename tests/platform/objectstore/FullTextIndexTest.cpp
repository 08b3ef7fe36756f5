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
