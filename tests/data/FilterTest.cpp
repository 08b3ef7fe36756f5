// The filter: the entry test in its date, month and category combinations,
// and its values in the settings store.

#include "DbCats.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZFilter.h"
#include "ZJITEMS.h"
#include "ZRegistry.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

ULONGLONG Day(WORD year, WORD month, WORD day, WORD hour = 12)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    return ZTime(time).Ticks();
}

// The packed category list of the given names.
std::vector<BYTE> Categories(std::initializer_list<const WCHAR*> names)
{
    PackedListWriter writer;
    CEOID oid = 1;
    for (const WCHAR* name : names)
        writer.AddCategory(oid++, name);
    return writer.Bytes();
}

BOOL Passes(const ZFilter& filter, ULONGLONG date, std::initializer_list<const WCHAR*> names)
{
    std::vector<BYTE> bytes = Categories(names);
    CEBLOB blob { static_cast<DWORD>(bytes.size()), bytes.data() };
    return filter.Passes(date, &blob);
}

ZFilter RangeFilter(ULONGLONG start, ULONGLONG end)
{
    ZFilter filter;
    filter.SetActive(1);
    filter.SetByRange(1);
    filter.SetStart(ZTime(start));
    filter.SetEnd(ZTime(end));
    return filter;
}

} // namespace

TEST(ZFilter, StartsClearedAndInactivePassesEverything)
{
    ZFilter filter;
    EXPECT_FALSE(filter.IsActive());
    EXPECT_TRUE(filter.IsByRange());
    EXPECT_FALSE(filter.IsByCatsOnly());
    EXPECT_EQ(filter.GetMonths(), 0u);
    filter.SetByCatsOnly(1);
    filter.SetEnd(ZTime(ULONGLONG { 5 }));
    EXPECT_TRUE(Passes(filter, Day(2001, 1, 1), { u"Work" }));
    EXPECT_TRUE(filter.Passes(0, nullptr));
}

TEST(ZFilter, RangeIncludesBothEnds)
{
    ULONGLONG start = Day(2002, 3, 1, 0);
    ULONGLONG end = Day(2002, 3, 31, 23);
    ZFilter filter = RangeFilter(start, end);
    EXPECT_TRUE(filter.IsDateInRange(ZTime(start)));
    EXPECT_TRUE(filter.IsDateInRange(ZTime(end)));
    EXPECT_TRUE(Passes(filter, start, {}));
    EXPECT_TRUE(Passes(filter, end, {}));
    EXPECT_FALSE(Passes(filter, start - 1, {}));
    EXPECT_FALSE(Passes(filter, end + 1, {}));
}

TEST(ZFilter, MonthsPickTheEntriesOfChosenMonthsOfAnyYear)
{
    ZFilter filter;
    filter.SetActive(1);
    filter.SetByRange(0);
    filter.SetMonths(MonthBit(1) | MonthBit(3));
    EXPECT_TRUE(Passes(filter, Day(1999, 1, 31), {}));
    EXPECT_TRUE(Passes(filter, Day(2005, 3, 1), { u"Work" }));
    EXPECT_FALSE(Passes(filter, Day(2005, 2, 14), {}));
    EXPECT_FALSE(Passes(filter, Day(2005, 12, 24), {}));
}

TEST(ZFilter, CategoriesWidenTheDateTestUnlessTheyDecideAlone)
{
    ZFilter filter = RangeFilter(Day(2003, 1, 1), Day(2003, 1, 31));
    filter.AddCategory(DbCItem(0, u"Work"));
    ULONGLONG outside = Day(2004, 6, 1);
    ULONGLONG inside = Day(2003, 1, 15);
    // Either the date or one chosen category qualifies (names ignore case).
    EXPECT_TRUE(Passes(filter, outside, { u"Home", u"wORK" }));
    EXPECT_TRUE(Passes(filter, inside, { u"Home" }));
    EXPECT_FALSE(Passes(filter, outside, { u"Home" }));
    EXPECT_FALSE(Passes(filter, outside, {}));
    // Without a Categories field the date alone decides.
    EXPECT_FALSE(filter.Passes(outside, nullptr));
    EXPECT_TRUE(filter.Passes(inside, nullptr));

    filter.SetByCatsOnly(1);
    EXPECT_FALSE(Passes(filter, inside, { u"Home" }));
    EXPECT_TRUE(Passes(filter, outside, { u"work" }));
}

TEST(ZFilter, NoneStandsForEntriesWithoutCategories)
{
    ZFilter filter = RangeFilter(0, 0);
    filter.SetByCatsOnly(1);
    // By categories only with nothing chosen: nothing passes.
    EXPECT_FALSE(Passes(filter, Day(2003, 1, 1), {}));
    EXPECT_FALSE(Passes(filter, Day(2003, 1, 1), { u"Work" }));

    filter.AddCategory(DbCItem(0, u"NONE"));
    EXPECT_TRUE(Passes(filter, Day(2003, 1, 1), {}));
    EXPECT_FALSE(Passes(filter, Day(2003, 1, 1), { u"Work" }));
    // A category literally named "None" is found by name too.
    EXPECT_TRUE(Passes(filter, Day(2003, 1, 1), { u"None" }));
}

TEST(ZFilter, TestsAPropertySetByItsDateAndCategoriesFields)
{
    ZJITEMS set;
    DbTmp::Initialize(&set);
    ZFilter filter = RangeFilter(Day(2003, 1, 1), Day(2003, 1, 31));
    ULONGLONG inside = Day(2003, 1, 2);
    FILETIME date { static_cast<DWORD>(inside), static_cast<DWORD>(inside >> 32) };
    set.GetItem(PROPID_DATE)->SetFileTime(date);
    EXPECT_TRUE(filter.Passes(set));
    filter.AddCategory(DbCItem(0, u"Work"));
    filter.SetByCatsOnly(1);
    EXPECT_FALSE(filter.Passes(set));
    PackedListWriter writer;
    writer.AddCategory(4, u"Work");
    writer.StoreIn(*set.GetItem(PROPID_CATEGORIES));
    EXPECT_TRUE(filter.Passes(set));
}

TEST(ZFilter, CopiesAreDeepAndChangesRaiseTheGeneration)
{
    ZFilter filter;
    DWORD generation = filter.Generation();
    filter.AddCategory(DbCItem(3, u"Work"));
    EXPECT_NE(filter.Generation(), generation);
    ZFilter copy(filter);
    ASSERT_NE(copy.FindCat(u"work"), nullptr);
    EXPECT_NE(copy.FindCat(u"work"), filter.FindCat(u"work"));
    EXPECT_TRUE(copy.RemoveCategory(u"WORK"));
    EXPECT_FALSE(copy.RemoveCategory(u"Work"));
    EXPECT_NE(filter.FindCat(u"Work"), nullptr);

    generation = filter.Generation();
    filter = copy;
    EXPECT_NE(filter.Generation(), generation);
    EXPECT_EQ(filter.FindCat(u"Work"), nullptr);
}

class ZFilterSettings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(settings.Open(u"Software\\Quorvalent\\Kestrin"), 0); }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    ZRegistry settings;
    static constexpr const WCHAR* kSection = u"Options";
};

TEST_F(ZFilterSettings, SaveWritesEveryValueAndOneNamePerCategory)
{
    ZFilter filter = RangeFilter(0x0000000100000002ull, 0x0000000300000004ull);
    filter.SetMonths(5);
    filter.AddCategory(DbCItem(1, u"Work"));
    filter.AddCategory(DbCItem(2, u"Home"));
    filter.AddCategory(DbCItem(0, u"None"));
    EXPECT_EQ(filter.SaveFilter(settings, kSection), 1);

    EXPECT_EQ(settings.ReadInt(kSection, u"fLStart", -1), 2);
    EXPECT_EQ(settings.ReadInt(kSection, u"fHStart", -1), 1);
    EXPECT_EQ(settings.ReadInt(kSection, u"fLEnd", -1), 4);
    EXPECT_EQ(settings.ReadInt(kSection, u"fHEnd", -1), 3);
    EXPECT_EQ(settings.ReadInt(kSection, u"fActive", -1), 1);
    EXPECT_EQ(settings.ReadInt(kSection, u"fMonths", -1), 5);
    EXPECT_EQ(settings.ReadInt(kSection, u"fRange", -1), 1);
    EXPECT_EQ(settings.ReadInt(kSection, u"fCatsOnly", -1), 0);
    EXPECT_EQ(settings.ReadInt(kSection, u"fCnt", -1), 3);
    ZString name;
    settings.ReadZString(kSection, u"flt2", u"", name);
    EXPECT_EQ(std::u16string(name.Text()), u"None");
    EXPECT_EQ(settings.ValueExists(kSection, u"flt3"), 0);

    ZFilter loaded;
    loaded.Clear();
    EXPECT_EQ(loaded.LoadFilter(settings, kSection), 1);
    EXPECT_TRUE(loaded.IsActive());
    EXPECT_EQ(loaded.GetStart().Ticks(), 0x0000000100000002ull);
    EXPECT_EQ(loaded.GetEnd().Ticks(), 0x0000000300000004ull);
    EXPECT_EQ(loaded.GetMonths(), 5u);
    EXPECT_EQ(loaded.GetCategories().Count(), 3u);
    ASSERT_NE(loaded.FindCat(u"home"), nullptr);

    loaded.ClearFilter(settings, kSection);
    EXPECT_FALSE(loaded.IsActive());
    EXPECT_EQ(loaded.GetCategories().Count(), 0u);
    EXPECT_EQ(settings.ReadInt(kSection, u"fCnt", -1), 0);
    EXPECT_EQ(settings.ReadInt(kSection, u"fRange", -1), 1);
    for (const WCHAR* value : { u"flt0", u"flt1", u"flt2" })
        EXPECT_EQ(settings.ValueExists(kSection, value), 0);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(ZFilterSettings, LoadOfNothingSavedAndOfDamagedValues)
{
    ZFilter filter;
    EXPECT_EQ(filter.LoadFilter(settings, kSection), 1);
    // Missing values read as 0, so a filter never saved is not by range.
    EXPECT_FALSE(filter.IsActive());
    EXPECT_FALSE(filter.IsByRange());
    EXPECT_EQ(filter.GetCategories().Count(), 0u);

    // A huge count is survived; a long category name is read whole, so it
    // still names its category.
    const std::u16string longName = std::u16string(150, u'x') + u" end";
    DbCats categories;
    ASSERT_TRUE(categories.Open(nullptr));
    const CEOID longCategory = categories.AddCategory(longName.c_str(), PROPID_CATCOUNT_JOURNAL);
    ASSERT_NE(longCategory, 0u);
    categories.Close();
    settings.WriteInt(kSection, u"fCnt", -1);
    settings.WriteString(kSection, u"flt0", longName.c_str());
    ZFilter damaged;
    EXPECT_EQ(damaged.LoadFilter(settings, kSection), 1);
    ASSERT_GE(damaged.GetCategories().Count(), 1u);
    EXPECT_LE(damaged.GetCategories().Count(), 1024u);
    const DbCItem& first = *damaged.GetCategories().Head()->item;
    EXPECT_EQ(std::u16string(first.GetName().Text()), longName);
    EXPECT_EQ(first.GetOid(), longCategory);
}
