// The shared categories database: find, add, rename, hide, delete by use,
// counters and index numbers.

#include "CeDatabase.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Categories : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cats.Open(nullptr)); }
    void TearDown() override { cats.Close(); }

    SHORT ReadShort(CEOID oid, CEPROPID id)
    {
        TSList<DbCItem> list;
        DbCItem item(id);
        list.Append(&item);
        if (cats.Read(oid, &list) != oid)
            return -100;
        return item.GetShort();
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    DbCats cats;
};

} // namespace

TEST_F(Categories, AddFindsOrCreatesWithTheLowestFreeIndex)
{
    int firstFree = cats.NextCategoryIndex();
    CEOID added = cats.AddCategory(u"Zebra projects", PROPID_CATCOUNT_JOURNAL);
    ASSERT_NE(added, 0u);
    EXPECT_EQ(ReadShort(added, PROPID_CATINDEX), firstFree);
    EXPECT_EQ(ReadShort(added, PROPID_CATVISIBLE), 1);
    EXPECT_EQ(ReadShort(added, PROPID_CATCOUNT_A), 0);
    EXPECT_EQ(ReadShort(added, PROPID_CATCOUNT_JOURNAL), 0);
    EXPECT_EQ(cats.FindCategory(u"zebra PROJECTS"), added);
    EXPECT_EQ(cats.AddCategory(u"ZEBRA projects", PROPID_CATCOUNT_JOURNAL), added);

    // A freed index number is given out again before higher ones.
    CEOID second = cats.AddCategory(u"Yak", PROPID_CATCOUNT_JOURNAL);
    EXPECT_EQ(ReadShort(second, PROPID_CATINDEX), firstFree + 1);
    EXPECT_TRUE(cats.DeleteCategory(added, PROPID_CATCOUNT_JOURNAL));
    EXPECT_EQ(cats.FindCategory(u"Zebra projects"), 0u);
    EXPECT_EQ(cats.NextCategoryIndex(), firstFree);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(Categories, AddingAHiddenNameUnhidesItInsteadOfCreating)
{
    CEOID oid = cats.AddCategory(u"Travel", PROPID_CATCOUNT_JOURNAL);
    DWORD visible = cats.CountVisibleCategories();
    EXPECT_TRUE(cats.HideCategory(oid));
    EXPECT_TRUE(cats.IsCategoryHidden(oid));
    EXPECT_EQ(cats.CountVisibleCategories(), visible - 1);
    EXPECT_EQ(cats.AddCategory(u"travel", PROPID_CATCOUNT_JOURNAL), oid);
    EXPECT_FALSE(cats.IsCategoryHidden(oid));
    EXPECT_EQ(cats.CountVisibleCategories(), visible);
    EXPECT_FALSE(cats.IsCategoryHidden(0x7FFFFFF0));
}

TEST_F(Categories, DeleteHidesWhatIsStillCounted)
{
    CEOID oid = cats.AddCategory(u"Busy", PROPID_CATCOUNT_JOURNAL);
    EXPECT_FALSE(cats.IsCategoryInUse(oid));
    EXPECT_TRUE(cats.IncCategoryCount(oid, PROPID_CATCOUNT_JOURNAL));
    EXPECT_TRUE(cats.IsCategoryInUse(oid));
    EXPECT_TRUE(cats.DeleteCategory(oid, PROPID_CATCOUNT_JOURNAL));
    EXPECT_EQ(cats.FindCategory(u"Busy"), oid);
    EXPECT_TRUE(cats.IsCategoryHidden(oid));

    // Another program's counter keeps it as well.
    CEOID other = cats.AddCategory(u"Shared", PROPID_CATCOUNT_JOURNAL);
    EXPECT_TRUE(cats.IncCategoryCount(other, PROPID_CATCOUNT_B));
    EXPECT_TRUE(cats.IsCategoryInUse(other));
    EXPECT_TRUE(cats.DecCategoryCount(other, PROPID_CATCOUNT_B));
    EXPECT_FALSE(cats.IsCategoryInUse(other));
}

TEST_F(Categories, CountersStayWithinZeroAndTheirSixteenBits)
{
    CEOID oid = cats.AddCategory(u"Counted", PROPID_CATCOUNT_JOURNAL);
    EXPECT_TRUE(cats.DecCategoryCount(oid, PROPID_CATCOUNT_JOURNAL));
    EXPECT_EQ(ReadShort(oid, PROPID_CATCOUNT_JOURNAL), 0);
    // An absent counter starts at 1 on increase and at 0 on decrease.
    const CEPROPID absent = 0x43F10002;
    EXPECT_TRUE(cats.IncCategoryCount(oid, absent));
    EXPECT_EQ(ReadShort(oid, absent), 1);

    // A counter at the top stays there instead of wrapping to a negative
    // number that would make a busy category look unused.
    CEPROPVAL top = EmptyProp();
    top.propid = PROPID_CATCOUNT_JOURNAL;
    top.val.iVal = 0x7FFF;
    ASSERT_EQ(cats.WriteProps(oid, 1, &top), oid);
    EXPECT_TRUE(cats.IncCategoryCount(oid, PROPID_CATCOUNT_JOURNAL));
    EXPECT_EQ(ReadShort(oid, PROPID_CATCOUNT_JOURNAL), 0x7FFF);
    EXPECT_TRUE(cats.IsCategoryInUse(oid));

    EXPECT_FALSE(cats.IncCategoryCount(0x7FFFFFF0, PROPID_CATCOUNT_JOURNAL));
    DWORD cleared = cats.ClearCategoryCounts(PROPID_CATCOUNT_JOURNAL);
    EXPECT_GE(cleared, 1u);
    EXPECT_EQ(ReadShort(oid, PROPID_CATCOUNT_JOURNAL), 0);
}

TEST_F(Categories, RenameToAHiddenNameAsksAndUnhidesTheOther)
{
    CEOID renamed = cats.AddCategory(u"Old name", PROPID_CATCOUNT_JOURNAL);
    EXPECT_TRUE(cats.RenameCategory(renamed, u"New name"));
    EXPECT_EQ(cats.FindCategory(u"new name"), renamed);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);

    CEOID hidden = cats.AddCategory(u"Archive", PROPID_CATCOUNT_JOURNAL);
    cats.HideCategory(hidden);
    hooks.QueueAnswer(IDNO);
    EXPECT_TRUE(cats.RenameCategory(renamed, u"ARCHIVE"));
    EXPECT_TRUE(cats.IsCategoryHidden(hidden));
    hooks.QueueAnswer(IDYES);
    EXPECT_TRUE(cats.RenameCategory(renamed, u"Archive"));
    EXPECT_FALSE(cats.IsCategoryHidden(hidden));
    EXPECT_EQ(cats.FindCategory(u"New name"), renamed);

    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, u"Category?");
    EXPECT_EQ(boxes[0].text,
        u"A category with the name that you have selected already exists but is hidden.\r\n\r\nWould you "
        u"like "
        u"to un-hide it?");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(cats.RenameCategory(0x7FFFFFF0, u"Nowhere"));
}

TEST_F(Categories, ReadAndWriteThroughItemLists)
{
    TSList<DbCItem> list;
    EXPECT_EQ(DbCats::Initialize(nullptr), 0);
    EXPECT_EQ(DbCats::Initialize(&list), 1);
    list.First()->SetStrValue(u"Listed");
    CEOID oid = cats.Write(0, &list);
    ASSERT_NE(oid, 0u);
    EXPECT_EQ(cats.FindCategory(u"Listed"), oid);

    TSList<DbCItem> read;
    DbCats::Initialize(&read);
    EXPECT_EQ(cats.Read(oid, &read), oid);
    EXPECT_EQ(std::u16string(read.First()->GetName().Text()), u"Listed");
    EXPECT_EQ(read.First()->GetOid(), oid);
    EXPECT_EQ(cats.Read(oid, nullptr), 0u);
    EXPECT_EQ(cats.Read(0x7FFFFFF0, &read), 0u);
    TSList<DbCItem> empty;
    EXPECT_EQ(cats.Write(0, &empty), 0u);
    delete list.First();
    delete read.First();
}

TEST(CategoriesMissing, OpenReportsSite32FromDbCategories)
{
    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    {
        DbCats cats;
        ASSERT_TRUE(cats.Open(nullptr));
        CEOID oid = cats.GetOid();
        cats.Close();
        ASSERT_TRUE(CeDeleteDatabase(oid));
    }
    DbCats cats;
    EXPECT_FALSE(cats.Open(nullptr));
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, u"CE Database Error");
    EXPECT_NE(boxes[0].text.find(u"(32)\nDbCategories"), std::u16string::npos);
}
