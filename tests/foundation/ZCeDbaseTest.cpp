// ZCeDbase over a fresh object store: which failures stay silent, which show
// the error box with which site, and the cursor, find and sort-change rules
// the journal's classes build on.

#include "ZCeDbase.h"

#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZString.h"
#include "ZTime.h"

#include <gtest/gtest.h>

namespace {

constexpr CEPROPID kSubject = 0x0066001F;
constexpr CEPROPID kDate = 0x00650040;
constexpr CEPROPID kNumber = MakePropID(0x50, CEVT_I4);

class ZCeDbaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ObjectStore::Open(home.file("objects.db")));
        const SORTORDERSPEC sorts[]
            = { { kSubject, CEDB_SORT_CASEINSENSITIVE }, { kDate, CEDB_SORT_DESCENDING } };
        ASSERT_TRUE(db.Create(u"Test", 7, 2, sorts));
        ASSERT_TRUE(db.OpenDb(u"Test", kSubject, 0, nullptr));
    }
    void TearDown() override
    {
        db.Close();
        ObjectStore::Close();
    }

    CEOID Write(const char16_t* subject, ULONGLONG date = 0)
    {
        CEPROPVAL values[2] = {};
        values[0].propid = kSubject;
        values[0].val.lpwstr = const_cast<LPWSTR>(subject);
        values[1].propid = kDate;
        values[1].val.filetime = ZTime(date).ToFileTime();
        return db.WriteProps(0, subject ? 2 : 1, subject ? values : values + 1);
    }

    // The texts of the error boxes shown so far.
    std::vector<std::u16string> Boxes() const
    {
        std::vector<std::u16string> texts;
        for (const UiCall& call : ui.Calls(UiCall::Kind::MessageBox))
            texts.push_back(call.caption + u": " + call.text);
        return texts;
    }

    TempHome home;
    RecordingUiHooks ui;
    ScopedUiHooks scoped { ui };
    ZCeDbase db;
};

TEST_F(ZCeDbaseTest, ProbingFailuresAreSilentAndOthersShowTheirSite)
{
    ZCeDbase other;
    // Not one of the sort orders (87) and a missing database (2): no box.
    EXPECT_FALSE(other.OpenDb(u"Test", kNumber, 0, nullptr));
    EXPECT_EQ(nullptr, other.GetHandle());
    EXPECT_EQ(0u, other.GetOid());
    EXPECT_FALSE(other.Exists(u"Missing"));
    EXPECT_TRUE(other.Exists(u"TEST"));
    EXPECT_TRUE(Boxes().empty());

    // Opening a missing database is not a probe: site 84.
    EXPECT_FALSE(other.OpenDb(u"Missing", 0, 0, nullptr));
    EXPECT_FALSE(other.Create(u"test", 1, 0, nullptr));
    EXPECT_EQ(0u, other.GetOid());
    CEOIDINFO info {};
    EXPECT_FALSE(other.GetInfo(&info));
    EXPECT_EQ(0, other.GetRecordCount());
    EXPECT_EQ(0u, other.GetParentOid(5));
    EXPECT_EQ(
        (std::vector<std::u16string> { u"CE Database Error: Error: 2(84)\ncedbase",
            u"CE Database Error: Error: 52(108)\ncedbase", u"CE Database Error: Error: 52(189)\ncedbase",
            u"CE Database Error: Error: 52(189)\ncedbase", u"CE Database Error: Error: 52(204)\ncedbase" }),
        Boxes());
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), ui.Calls(UiCall::Kind::MessageBox)[0].flags);
    EXPECT_EQ(nullptr, ui.Calls(UiCall::Kind::MessageBox)[0].owner);
    EXPECT_FALSE(other.Close());
}

TEST_F(ZCeDbaseTest, ReadsPastTheEndOrOfDeletedRecordsAreSilent)
{
    const CEOID a = Write(u"a");
    const CEOID b = Write(u"b");
    ASSERT_EQ(b, db.SeekIndex(1));
    EXPECT_EQ(0u, db.SeekNext());
    WORD count = 0;
    CEPROPID all = 0;
    LPBYTE buffer = nullptr;
    EXPECT_EQ(0u, db.ReadProps(&count, &all, &buffer));

    // Deleted through another object while this one's cursor is on it.
    ZCeDbase other;
    ASSERT_TRUE(other.OpenDb(u"Test", 0, 0, nullptr));
    ASSERT_EQ(a, db.SeekOid(a));
    ASSERT_TRUE(CeDeleteRecord(other.GetHandle(), a));
    EXPECT_EQ(0u, db.ReadProps(&count, &all, &buffer));
    EXPECT_TRUE(Boxes().empty());

    // A bad property id is a caller's fault: site 511.
    ASSERT_EQ(b, db.SeekFirst());
    CEPROPID bad = MakePropID(1, 99);
    count = 1;
    EXPECT_EQ(0u, db.ReadProps(&count, &bad, &buffer));
    EXPECT_EQ(std::vector<std::u16string> { u"CE Database Error: Error: 87(511)\ncedbase" }, Boxes());
    count = 0;
    EXPECT_EQ(b, db.ReadProps(&count, &all, &buffer));
    EXPECT_EQ(2, count);
    LocalFree(buffer);
    other.Close();
}

TEST_F(ZCeDbaseTest, DeleteRecordLeavesTheCursorOnTheFirstRecord)
{
    const CEOID c = Write(u"c");
    const CEOID a = Write(u"a");
    const CEOID b = Write(u"b");
    ASSERT_EQ(c, db.SeekOid(c));
    EXPECT_TRUE(db.DeleteRecord(b));
    EXPECT_EQ(a, db.SeekCurrent());
    EXPECT_EQ(0u, db.GetOidIndex(a));
    EXPECT_EQ(1u, db.GetOidIndex(c));
    EXPECT_EQ(0xFFFFFFFFu, db.GetOidIndex(b));

    // Failing: site 323, and still on the first record.
    ASSERT_EQ(c, db.SeekOid(c));
    EXPECT_FALSE(db.DeleteRecord(b));
    EXPECT_EQ(a, db.SeekCurrent());
    EXPECT_EQ(std::vector<std::u16string> { u"CE Database Error: Error: 1018(323)\ncedbase" }, Boxes());
    EXPECT_EQ(2, db.GetRecordCount());
    EXPECT_EQ(db.GetOid(), db.GetParentOid(a));
}

TEST_F(ZCeDbaseTest, DeleteDbOfItselfClosesFirst)
{
    Write(u"x");
    const CEOID oid = db.GetOid();
    // Open elsewhere, the database cannot go: site 151 with 32.
    ZCeDbase other;
    ASSERT_TRUE(other.OpenDb(u"Test", 0, 0, nullptr));
    EXPECT_FALSE(db.DeleteDb(0));
    EXPECT_EQ(std::vector<std::u16string> { u"CE Database Error: Error: 32(151)\ncedbase" }, Boxes());
    EXPECT_EQ(nullptr, db.GetHandle());

    ASSERT_TRUE(other.Close());
    ASSERT_TRUE(other.OpenDb(u"Test", 0, 0, nullptr));
    EXPECT_TRUE(other.DeleteDb(0));
    EXPECT_EQ(nullptr, other.GetHandle());
    EXPECT_EQ(0u, other.GetOid());
    EXPECT_FALSE(other.Exists(u"Test"));
    CEOIDINFO info {};
    EXPECT_FALSE(CeOidGetInfo(oid, &info));
}

TEST_F(ZCeDbaseTest, FindTextIgnoresCaseUnlessAskedAndSkipsEmptyTexts)
{
    Write(nullptr);
    const CEOID empty = Write(u"");
    const CEOID first = Write(u"Call with the BANK manager");
    const CEOID second = Write(u"bank holiday");
    const CEOID third = Write(u"Zürich BANK");

    // Order by subject, ignoring case: (none), "", "bank holiday", "Call...", "Zürich BANK".
    EXPECT_EQ(second, db.FindText(kSubject, u"bank", FALSE));
    EXPECT_EQ(first, db.FindTextFrom(second, kSubject, u"bank", FALSE));
    EXPECT_EQ(third, db.FindTextFrom(first, kSubject, u"bank", FALSE));
    EXPECT_EQ(0u, db.FindTextFrom(third, kSubject, u"bank", FALSE));
    EXPECT_EQ(first, db.FindText(kSubject, u"BANK", TRUE));
    EXPECT_EQ(0u, db.FindText(kSubject, u"Bank", TRUE));
    EXPECT_EQ(third, db.FindText(kSubject, u"zürich", FALSE));
    // Neither the record without a subject nor the empty one matches "".
    EXPECT_EQ(second, db.FindText(kSubject, u"", FALSE));
    EXPECT_NE(empty, db.FindText(kSubject, u"", FALSE));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZCeDbaseTest, FindDayMatchesAnyTimeOfTheSameLocalDay)
{
    SYSTEMTIME day { 2024, 3, 0, 15, 0, 0, 0, 0 };
    const ZTime midnight(day);
    const CEOID early = Write(u"early", midnight.Ticks() + ZTime::kTicksPerMinute);
    const CEOID late = Write(u"late", midnight.Ticks() + ZTime::kTicksPerDay - 1);
    Write(u"next day", midnight.Ticks() + ZTime::kTicksPerDay);
    Write(u"day before", midnight.Ticks() - 1);

    ZTime noon(midnight.Ticks() + 12 * ZTime::kTicksPerHour);
    // Subject order: "day before", "early", "late", "next day".
    EXPECT_EQ(early, db.FindDay(kDate, noon));
    EXPECT_EQ(late, db.FindDayFrom(early, kDate, noon));
    EXPECT_EQ(0u, db.FindDayFrom(late, kDate, noon));
    EXPECT_EQ(0u, db.FindDay(kDate, ZTime(midnight.Ticks() + 5 * ZTime::kTicksPerDay)));
}

TEST_F(ZCeDbaseTest, SortChangeReopensInTheNewOrderOrTheOldOneWhenRefused)
{
    const CEOID b = Write(u"b", 1000);
    const CEOID a = Write(u"a", 2000);
    EXPECT_EQ(a, db.SeekFirst());

    const SORTORDERSPEC byDate[] = { { kDate, 0 } };
    ASSERT_TRUE(db.SetSortOrder(byDate, 1));
    EXPECT_EQ(b, db.SeekFirst());
    SORTORDERSPEC specs[CEDB_MAXSORTORDER] = {};
    EXPECT_EQ(1, db.GetSortOrders(specs));
    EXPECT_EQ(kDate, specs[0].propid);

    // Another handle keeps the database open: the change is refused with the
    // system's text, and the database is open again in the order it had.
    ZCeDbase other;
    ASSERT_TRUE(other.OpenDb(u"Test", 0, 0, nullptr));
    const SORTORDERSPEC bySubject[] = { { kSubject, 0 } };
    EXPECT_FALSE(db.SetSortOrder(bySubject, 1));
    ASSERT_EQ(1u, ui.Count(UiCall::Kind::MessageBox));
    const UiCall box = ui.Calls(UiCall::Kind::MessageBox)[0];
    EXPECT_EQ(u"Database Error", box.caption);
    EXPECT_EQ(std::u16string(ZString::ErrorText(ERROR_SHARING_VIOLATION)), box.text);
    EXPECT_EQ(UINT(MB_ICONSTOP | MB_SETFOREGROUND), box.flags);
    ASSERT_NE(nullptr, db.GetHandle());
    EXPECT_EQ(b, db.SeekFirst());
    EXPECT_EQ(1, db.GetSortOrders(specs));
    EXPECT_EQ(kDate, specs[0].propid);
    other.Close();
}

TEST_F(ZCeDbaseTest, RecordCountsBeyondSixteenBitsAndBatches)
{
    ZCeDbase plain;
    ASSERT_TRUE(plain.Create(u"Many", 0, 0, nullptr));
    ASSERT_TRUE(plain.OpenDb(u"Many", 0, 0, nullptr));
    CEPROPVAL value {};
    value.propid = kNumber;
    // A batch that reports failure leaves nothing behind.
    EXPECT_FALSE(plain.RunBatch([&] { return plain.WriteProps(0, 1, &value) != 0 && false; }));
    EXPECT_EQ(0u, plain.GetRecordCount32());

    const DWORD total = 65536 + 10;
    EXPECT_TRUE(plain.RunBatch([&] {
        for (DWORD i = 0; i < total; ++i)
            if (!plain.WriteProps(0, 1, &value))
                return FALSE;
        return TRUE;
    }));
    EXPECT_EQ(total, plain.GetRecordCount32());
    // The 16-bit count stops at its largest value instead of wrapping.
    EXPECT_EQ(65535, plain.GetRecordCount());
    EXPECT_TRUE(Boxes().empty());
    plain.Close();
}

} // namespace
