// Index numbers of new categories: the lowest free number, found also past
// numbers other programs wrote below zero or twice, and never a wrapped
// 16-bit number once all 32,768 are taken.

#include "CeDatabase.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

class CategoryNumbers : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cats.Open(nullptr)); }
    void TearDown() override { cats.Close(); }

    SHORT IndexOf(CEOID oid)
    {
        TSList<DbCItem> list;
        DbCItem item(PROPID_CATINDEX);
        list.Append(&item);
        return cats.Read(oid, &list) == oid ? item.GetShort() : SHORT(-100);
    }

    // Writes a category record as another program might: name and index only.
    CEOID WriteRaw(const std::u16string& name, SHORT index)
    {
        CEPROPVAL values[2] = {};
        values[0].propid = PROPID_CATNAME;
        values[0].val.lpwstr = const_cast<LPWSTR>(name.c_str());
        values[1].propid = PROPID_CATINDEX;
        values[1].val.iVal = index;
        return cats.WriteProps(0, 2, values);
    }

    CEOID RecordWithIndex(SHORT index)
    {
        DbCats byIndex;
        if (!byIndex.OpenCategories(PROPID_CATINDEX, nullptr))
            return 0;
        CEPROPVAL key {};
        key.propid = PROPID_CATINDEX;
        key.val.iVal = index;
        const CEOID oid = byIndex.SeekValueFirst(&key);
        byIndex.Close();
        return oid;
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    DbCats cats;
};

TEST_F(CategoryNumbers, NewCategoriesFillTheLowestGapFirst)
{
    // A new store holds 0..7. Numbers other programs wrote below zero or far
    // above change nothing about the lowest gap.
    ASSERT_NE(0u, WriteRaw(u"Negative", -4));
    ASSERT_NE(0u, WriteRaw(u"Ninth", 9));
    ASSERT_NE(0u, WriteRaw(u"Far", 400));
    EXPECT_EQ(8, IndexOf(cats.AddCategory(u"Eighth", PROPID_CATCOUNT_JOURNAL)));
    EXPECT_EQ(10, IndexOf(cats.AddCategory(u"Tenth", PROPID_CATCOUNT_JOURNAL)));

    // Gaps left by deleted categories are filled from the lowest.
    ASSERT_TRUE(cats.DeleteRecord(RecordWithIndex(5)));
    ASSERT_TRUE(cats.DeleteRecord(RecordWithIndex(2)));
    ASSERT_TRUE(cats.DeleteRecord(RecordWithIndex(0)));
    EXPECT_EQ(0, IndexOf(cats.AddCategory(u"Zeroth", PROPID_CATCOUNT_JOURNAL)));
    EXPECT_EQ(2, IndexOf(cats.AddCategory(u"Second", PROPID_CATCOUNT_JOURNAL)));
    EXPECT_EQ(5, IndexOf(cats.AddCategory(u"Fifth", PROPID_CATCOUNT_JOURNAL)));
    EXPECT_EQ(11, IndexOf(cats.AddCategory(u"Eleventh", PROPID_CATCOUNT_JOURNAL)));

    // Many in a row stay distinct and dense, stepping over 400.
    std::set<SHORT> numbers;
    for (char16_t i = 0; i < 400; ++i)
        numbers.insert(IndexOf(cats.AddCategory((u"Many " + std::u16string(1, char16_t(0x4E00 + i))).c_str(),
            PROPID_CATCOUNT_JOURNAL)));
    EXPECT_EQ(400u, numbers.size());
    EXPECT_EQ(12, *numbers.begin());
    EXPECT_EQ(412, *numbers.rbegin());
    EXPECT_FALSE(numbers.contains(400));
    EXPECT_EQ(0u, hooks.Calls(UiCall::Kind::MessageBox).size());
}

TEST_F(CategoryNumbers, ANumberHeldTwiceByAnotherProgramIsNeverHandedOutAgain)
{
    ASSERT_NE(0u, WriteRaw(u"Twice A", 9));
    ASSERT_NE(0u, WriteRaw(u"Twice B", 9));
    ASSERT_NE(0u, WriteRaw(u"Twice C", 12));
    ASSERT_NE(0u, WriteRaw(u"Twice D", 12));
    std::multiset<SHORT> numbers { 0, 1, 2, 3, 4, 5, 6, 7, 9, 9, 12, 12 };
    for (char16_t i = 0; i < 20; ++i) {
        const SHORT index = IndexOf(
            cats.AddCategory((u"New " + std::u16string(1, char16_t(0x4E00 + i))).c_str(), PROPID_CATCOUNT_JOURNAL));
        EXPECT_EQ(0u, numbers.count(index)) << index;
        EXPECT_GE(index, 0);
        numbers.insert(index);
    }
}

TEST_F(CategoryNumbers, AllNumbersTakenRefusesANewCategoryInsteadOfWrapping)
{
    {
        ObjectStoreTransaction batch;
        for (int index = 8; index <= ZDbCategories::kMaxCategoryIndex; ++index)
            ASSERT_NE(0u, WriteRaw(u"C" + std::u16string(1, char16_t(0x4E00 + index % 20000)) + u"-"
                    + std::u16string(1, char16_t(0x30 + index / 20000)),
                SHORT(index)));
        ASSERT_TRUE(batch.Commit());
    }
    const DWORD before = cats.GetRecordCount32();
    EXPECT_EQ(-1, cats.NextCategoryIndex());
    EXPECT_EQ(0u, cats.AddCategory(u"One too many", PROPID_CATCOUNT_JOURNAL));
    EXPECT_EQ(before, cats.GetRecordCount32());
    EXPECT_EQ(0u, cats.FindCategory(u"One too many"));
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::u16string::npos, boxes[0].text.find(u"No more categories can be added"));

    // Once a number is free again it is used.
    ASSERT_TRUE(cats.DeleteRecord(RecordWithIndex(12345)));
    EXPECT_EQ(12345, IndexOf(cats.AddCategory(u"Room again", PROPID_CATCOUNT_JOURNAL)));
}

} // namespace
