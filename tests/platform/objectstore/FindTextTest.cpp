// Text search through the store: the first match in the handle's order from
// the cursor on, whatever order the records sit in the file.

#include "StoreTestSupport.h"

namespace {

class FindTextTest : public OneDatabaseTest {
protected:
    FindTextTest()
        : OneDatabaseTest(u"Find", { { kI4, CEDB_SORT_DESCENDING } }, kI4)
    {
    }
    CEOID Write(LONG key, const char16_t* text)
    {
        CEPROPVAL values[] = { LongValue(kI4, key), TextValue(kText, text) };
        return CeWriteRecordProps(h, 0, text ? 2 : 1, values);
    }
};

TEST_F(FindTextTest, FindsTheFirstMatchInSortOrderFromTheCursor)
{
    // Written in the opposite of the handle's order: file order is not the answer.
    const CEOID late = Write(1, u"Lunch at the café");
    const CEOID missing = Write(2, nullptr);
    const CEOID empty = Write(3, u"");
    const CEOID middle = Write(4, u"CAFÉ opening");
    const CEOID early = Write(5, u"no match here");
    ASSERT_TRUE(late && missing && empty && middle && early);

    EXPECT_EQ(early, Seek(h, CEDB_SEEK_BEGINNING, 0));
    EXPECT_EQ(middle, CeFindText(h, kText, u"café", FALSE));
    // The cursor is on the record found, and the search includes it.
    EXPECT_EQ(middle, Seek(h, CEDB_SEEK_CURRENT, 0));
    EXPECT_EQ(middle, CeFindText(h, kText, u"Café", FALSE));
    Seek(h, CEDB_SEEK_CURRENT, 1);
    EXPECT_EQ(late, CeFindText(h, kText, u"CAFÉ", FALSE));
    // Case-sensitive: only the exact spelling.
    Seek(h, CEDB_SEEK_BEGINNING, 0);
    EXPECT_EQ(late, CeFindText(h, kText, u"café", TRUE));

    // An empty search text matches the first non-empty text, never a record
    // without the property or with an empty one.
    Seek(h, CEDB_SEEK_BEGINNING, 2);
    EXPECT_EQ(late, CeFindText(h, kText, u"", FALSE));

    // No match: 259 and the cursor past the end.
    Seek(h, CEDB_SEEK_BEGINNING, 0);
    SetLastError(0);
    EXPECT_EQ(0u, CeFindText(h, kText, u"tea", FALSE));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
    EXPECT_EQ(0u, ReadAll(h).oid);

    // From a deleted record the search goes on with the next one.
    Seek(h, CEDB_SEEK_CEOID, middle);
    ASSERT_TRUE(CeDeleteRecord(h, middle));
    EXPECT_EQ(late, CeFindText(h, kText, u"café", FALSE));
}

TEST_F(FindTextTest, RefusesWhatIsNoTextSearch)
{
    Write(1, u"text");
    SetLastError(0);
    EXPECT_EQ(0u, CeFindText(h, kI4, u"text", FALSE));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, CeFindText(h, kText, nullptr, FALSE));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, CeFindText(reinterpret_cast<HANDLE>(0x7), kText, u"text", FALSE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

} // namespace
