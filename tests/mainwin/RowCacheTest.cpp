// The row cache: which hints read, what the windows hold, what a row shows.

#include "MainWinFixture.h"

#include "RowCache.h"
#include "Settings.h"

namespace {

class RowCacheTest : public MainWinTest {
protected:
    RowCache cache { journal, store };
};

} // namespace

TEST_F(RowCacheTest, EmptyJournalNeverReads)
{
    cache.Hint(0, 15);
    cache.Hint(0, 0);
    EXPECT_EQ(cache.ReadCount(), 0);
    EXPECT_EQ(cache.Main().Count(), 0);
    EXPECT_EQ(cache.Tail().Count(), 0);
    EXPECT_EQ(cache.Row(0).oid, 0u);
    EXPECT_EQ(cache.ReadCount(), 0);
}

TEST_F(RowCacheTest, HintsFillMainWindowAndKeepItForTheEnd)
{
    AddBare(100);
    // A page at the top fills a whole window, read ahead past the page.
    cache.Hint(0, 15);
    EXPECT_EQ(cache.Main().first, 0);
    EXPECT_EQ(cache.Main().Count(), RowCache::kWindowRows);
    EXPECT_EQ(cache.ReadCount(), RowCache::kWindowRows);

    // Inside the window, also with `to` one past its end: nothing is read.
    cache.Hint(5, 20);
    cache.Hint(14, 30);
    EXPECT_EQ(cache.ReadCount(), RowCache::kWindowRows);

    // The last page goes to the tail window; the main window stays.
    cache.Hint(84, 99);
    EXPECT_EQ(cache.Main().first, 0);
    EXPECT_EQ(cache.Main().Count(), RowCache::kWindowRows);
    EXPECT_EQ(cache.Tail().first, 100 - RowCache::kWindowRows);
    EXPECT_EQ(cache.Tail().Count(), RowCache::kWindowRows);
    const long afterTail = cache.ReadCount();
    cache.Hint(90, 99);
    cache.Hint(75, 99);
    EXPECT_EQ(cache.ReadCount(), afterTail);
    // Back to the top: still cached.
    cache.Hint(0, 15);
    EXPECT_EQ(cache.ReadCount(), afterTail);

    // Rows come from the windows without reading.
    EXPECT_EQ(cache.Row(99).subject, QStringLiteral("Entry 0"));
    EXPECT_EQ(cache.Row(0).subject, QStringLiteral("Entry 99"));
    EXPECT_EQ(cache.ReadCount(), afterTail);

    // A page in the middle moves the main window.
    cache.Hint(40, 55);
    EXPECT_EQ(cache.Main().first, 40);
    EXPECT_EQ(cache.Main().Count(), RowCache::kWindowRows);
    // A row outside both windows is read once, not cached, and asked again
    // at once it is not read again.
    const long before = cache.ReadCount();
    EXPECT_EQ(cache.Row(20).subject, QStringLiteral("Entry 79"));
    EXPECT_EQ(cache.Row(20).subject, QStringLiteral("Entry 79"));
    EXPECT_EQ(cache.ReadCount(), before + 1);

    // A tall page (a desktop window) is held whole, up to the limit.
    cache.Hint(10, 59);
    EXPECT_EQ(cache.Main().Count(), 50);
    cache.Clear();
    cache.Hint(0, 99);
    EXPECT_EQ(cache.Tail().Count(), 100);
    // Nonsense ranges read nothing.
    const long settled = cache.ReadCount();
    cache.Hint(-5, 3);
    cache.Hint(7, 2);
    cache.Hint(100, 120);
    EXPECT_EQ(cache.ReadCount(), settled);
}

TEST_F(RowCacheTest, RowsShowDateInTheChosenFormatSubjectAndType)
{
    const CEOID older = Add({ .subject = u"Older", .date = At(2004, 3, 9), .type = 7 });
    const CEOID newer = Add({ .subject = u"Newer", .date = At(2005, 11, 28), .type = 2 });
    cache.Hint(0, 1);
    ListRow first = cache.Row(0);
    EXPECT_EQ(first.oid, newer);
    EXPECT_EQ(first.subject, QStringLiteral("Newer"));
    EXPECT_EQ(first.dateText, QStringLiteral("11/28/05"));
    EXPECT_EQ(first.image, 2);
    EXPECT_EQ(cache.Row(1).oid, older);
    EXPECT_EQ(cache.Row(1).image, 7);

    // The format is read again at the next hint that fills a window.
    Settings(store).SetDateFormat(40168);
    cache.Clear();
    cache.Hint(0, 1);
    EXPECT_EQ(cache.Row(0).dateText, QStringLiteral("28 Nov 2005"));
    Settings(store).SetDateFormat(40163);
    cache.Clear();
    cache.Hint(0, 1);
    EXPECT_EQ(cache.Row(1).dateText, QStringLiteral("09.03.04"));
    // An unknown format still shows a date.
    Settings(store).SetDateFormat(123);
    cache.Clear();
    cache.Hint(0, 1);
    EXPECT_FALSE(cache.Row(0).dateText.isEmpty());
}

TEST_F(RowCacheTest, DeletedAndChangedRowsKeepTheWindowsInStep)
{
    AddBare(100);
    cache.Hint(0, 15); // main 0..29
    cache.Hint(84, 99); // tail 70..99
    const CEOID sixth = cache.Row(6).oid;
    const CEOID tailSecond = cache.Row(71).oid;

    EXPECT_TRUE(cache.DeleteRow(5));
    EXPECT_EQ(cache.Main().Count(), RowCache::kWindowRows - 1);
    EXPECT_EQ(cache.Row(5).oid, sixth);
    // The tail window starts after the row: it moves up with its rows.
    EXPECT_EQ(cache.Tail().first, 69);
    EXPECT_EQ(cache.Row(70).oid, tailSecond);
    EXPECT_FALSE(cache.DeleteRow(50));

    // A changed entry is read again where it is cached.
    ZJITEMS set;
    ASSERT_EQ(journal.Read(sixth, &set, FALSE), sixth);
    set.GetItem(PROPID_SUBJECT)->SetStrValue(u"Renamed");
    ASSERT_EQ(journal.Write(sixth, &set), sixth);
    const long before = cache.ReadCount();
    EXPECT_TRUE(cache.UpdateRow(sixth));
    EXPECT_EQ(cache.ReadCount(), before + 1);
    EXPECT_EQ(cache.Row(5).subject, QStringLiteral("Renamed"));
    // An entry that no window holds empties both.
    EXPECT_FALSE(cache.UpdateRow(0xFFFFF));
    EXPECT_EQ(cache.Main().Count(), 0);
    EXPECT_EQ(cache.Tail().Count(), 0);
}

TEST_F(RowCacheTest, TallerRequestsThanTheWindowsHoldAreServedRowByRow)
{
    const int count = RowCache::kMaxWindowRows + 150;
    AddBare(count);
    // A page taller than a window may hold, reaching the end of the list.
    cache.Hint(0, count - 1);
    EXPECT_LE(cache.Main().Count(), RowCache::kMaxWindowRows);
    EXPECT_LE(cache.Tail().Count(), RowCache::kMaxWindowRows);
    cache.Hint(100, count - 1);
    EXPECT_LE(cache.Main().Count(), RowCache::kMaxWindowRows);
    EXPECT_LE(cache.Tail().Count(), RowCache::kMaxWindowRows);
    // Rows past the windows still come out right, read one by one.
    const long before = cache.ReadCount();
    EXPECT_EQ(cache.Row(count - 1).subject, QStringLiteral("Entry 0"));
    EXPECT_EQ(cache.Row(count - 2).subject, QStringLiteral("Entry 1"));
    EXPECT_EQ(cache.ReadCount(), before + 2);
    EXPECT_EQ(cache.Row(0).subject, QString("Entry %1").arg(count - 1));
}
