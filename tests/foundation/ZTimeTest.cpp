#include "ZTime.h"
#include "ZString.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

namespace {

constexpr ULONGLONG kUnixEpochTicks = 116444736000000000ULL;
constexpr LONGLONG kUnixEpochSeconds = 11644473600LL;

SYSTEMTIME Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0)
{
    return SYSTEMTIME { year, month, 0, day, hour, minute, second, ms };
}

ZTime At(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0)
{
    return ZTime(Date(year, month, day, hour, minute, second));
}

ZTime Length(ULONGLONG days, ULONGLONG hours, ULONGLONG minutes, ULONGLONG seconds = 0)
{
    return ZTime(days * ZTime::kTicksPerDay + hours * ZTime::kTicksPerHour + minutes * ZTime::kTicksPerMinute
        + seconds * ZTime::kTicksPerSecond);
}

std::u16string Duration(const ZTime& length)
{
    ZString text;
    length.DurationText(text);
    return text.ToU16();
}

// The length a typed text describes, parsed into a zero value.
ULONGLONG Parsed(const char16_t* typed, int* result = nullptr)
{
    ZString text(typed);
    ZTime length;
    const int recognised = length.ParseDuration(text);
    if (result)
        *result = recognised;
    return length.Ticks();
}

std::u16string Picture(const ZTime& time, const char16_t* picture)
{
    ZString text;
    time.FormatDate(picture, text);
    return text.ToU16();
}

// Texts depend on the user's locale: each text test fixes one and restores
// the previous default afterwards.
class ZTimeText : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

} // namespace

TEST(ZTimeCalendar, KnownPointsOfTheScale)
{
    const SYSTEMTIME first = ZTime(0ULL).ToSystemTime();
    EXPECT_EQ(first.wYear, 1601);
    EXPECT_EQ(first.wMonth, 1);
    EXPECT_EQ(first.wDay, 1);
    EXPECT_EQ(first.wDayOfWeek, 1); // a Monday

    EXPECT_EQ(At(1970, 1, 1).Ticks(), kUnixEpochTicks);
    EXPECT_EQ(ZTime(Date(2000, 2, 29, 12, 30, 15, 250)).ToSystemTime().wMilliseconds, 250);
    EXPECT_EQ(At(2024, 3, 5).ToSystemTime().wDayOfWeek, 2); // a Tuesday

    // Invalid fields give 0 ticks; FromSystemTime refuses them and keeps the value.
    EXPECT_EQ(At(1900, 2, 29).Ticks(), 0u); // 1900 is not a leap year
    EXPECT_NE(At(2000, 2, 29).Ticks(), 0u); // 2000 is
    EXPECT_EQ(At(2023, 13, 1).Ticks(), 0u);
    EXPECT_EQ(At(1600, 12, 31).Ticks(), 0u);
    EXPECT_EQ(At(30828, 1, 1).Ticks(), 0u);
    ZTime kept = At(2020, 6, 1);
    EXPECT_EQ(kept.FromSystemTime(Date(2020, 4, 31)), 0);
    EXPECT_EQ(kept, At(2020, 6, 1));
    EXPECT_EQ(kept.FromSystemTime(Date(30827, 12, 31, 23, 59, 59, 999)), 1);

    // Past the last convertible tick the fields are all zero.
    const SYSTEMTIME none = ZTime(0x8000000000000000ULL).ToSystemTime();
    EXPECT_EQ(none.wYear, 0);
    EXPECT_EQ(none.wDay, 0);

    const FILETIME fileTime = At(2001, 9, 9).ToFileTime();
    EXPECT_EQ(ZTime(fileTime), At(2001, 9, 9));
    EXPECT_EQ(ZTime(fileTime.dwLowDateTime, fileTime.dwHighDateTime), At(2001, 9, 9));
}

TEST(ZTimeCalendar, AgreesWithTheCLibraryOverTheWholeScale)
{
    std::mt19937_64 random(1601);
    const ULONGLONG last = At(30827, 12, 31, 23, 59, 59).Ticks();
    std::uniform_int_distribution<ULONGLONG> anyTick(0, last);
    for (int i = 0; i < 20000; ++i) {
        // Every 8th sample falls on a day boundary, where off-by-one faults live.
        ULONGLONG ticks = anyTick(random);
        if (i % 8 == 0)
            ticks -= ticks % ZTime::kTicksPerDay;
        const SYSTEMTIME mine = ZTime(ticks).ToSystemTime();
        const std::time_t seconds
            = static_cast<std::time_t>(ticks / ZTime::kTicksPerSecond) - kUnixEpochSeconds;
        std::tm utc {};
        ASSERT_NE(gmtime_r(&seconds, &utc), nullptr);
        ASSERT_EQ(mine.wYear, utc.tm_year + 1900) << ticks;
        ASSERT_EQ(mine.wMonth, utc.tm_mon + 1) << ticks;
        ASSERT_EQ(mine.wDay, utc.tm_mday) << ticks;
        ASSERT_EQ(mine.wDayOfWeek, utc.tm_wday) << ticks;
        ASSERT_EQ(mine.wHour, utc.tm_hour) << ticks;
        ASSERT_EQ(mine.wMinute, utc.tm_min) << ticks;
        ASSERT_EQ(mine.wSecond, utc.tm_sec) << ticks;
        // And back: milliseconds are what the fields keep.
        ASSERT_EQ(ZTime(mine).Ticks(), ticks - ticks % 10000) << ticks;
    }
}

TEST(ZTimeVariant, ConvertsBothWaysAndAcceptsOnly1980To2107)
{
    EXPECT_DOUBLE_EQ(At(1980, 1, 1).ToVariantTime(), 29221.0);
    EXPECT_DOUBLE_EQ(At(1899, 12, 30).ToVariantTime(), 0.0);
    EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6).ToVariantTime(), -1.25); // the fraction counts away from 0
    EXPECT_DOUBLE_EQ(At(2024, 3, 5, 18).ToVariantTime(), 45356.75);
    EXPECT_DOUBLE_EQ(ZTime(Date(2024, 3, 5, 18, 0, 0, 999)).ToVariantTime(), 45356.75); // ms ignored
    EXPECT_DOUBLE_EQ(At(10000, 1, 1).ToVariantTime(), 0.0); // beyond variant time

    ZTime t = At(2020, 1, 1);
    t.FromVariantTime(29221.0);
    EXPECT_EQ(t, At(1980, 1, 1));
    t.FromVariantTime(45356.75);
    EXPECT_EQ(t, At(2024, 3, 5, 18));
    t.FromVariantTime(45356.5 + 0.4 / 86400); // rounded to the nearest second
    EXPECT_EQ(t, At(2024, 3, 5, 12));
    t.FromVariantTime(45356.0 - 0.1 / 86400); // rounding may carry into the next day
    EXPECT_EQ(t, At(2024, 3, 5));

    const ZTime before = t;
    t.FromVariantTime(At(1979, 12, 31, 23, 59).ToVariantTime());
    EXPECT_EQ(t, before);
    t.FromVariantTime(At(2108, 1, 1).ToVariantTime());
    EXPECT_EQ(t, before);
    t.FromVariantTime(std::nan(""));
    t.FromVariantTime(1e300);
    t.FromVariantTime(-1e300);
    EXPECT_EQ(t, before);
    t.FromVariantTime(At(2107, 12, 31, 23, 59, 59).ToVariantTime());
    EXPECT_EQ(t, At(2107, 12, 31, 23, 59, 59));
}

TEST(ZTimeValue, ComparisonsArithmeticAndSameDay)
{
    ZTime a = At(2024, 1, 31, 23, 59);
    ZTime b = a;
    b.AddOneMinute();
    EXPECT_EQ(b, At(2024, 2, 1));
    EXPECT_TRUE(a < b && b > a && a <= a && a >= a && a != b);
    EXPECT_TRUE(a == At(2024, 1, 31, 23, 59).Ticks());
    EXPECT_TRUE(a == Date(2024, 1, 31, 23, 59));
    EXPECT_TRUE(a != Date(2024, 1, 31, 23, 58));
    EXPECT_EQ(b - a, ZTime::kTicksPerMinute);
    EXPECT_EQ(a + Length(0, 0, 1), b.Ticks());
    // Unsigned: a count with the top bit set is larger, not negative.
    EXPECT_TRUE(ZTime(0x8000000000000000ULL) > 1ULL);

    ZTime c = a;
    c.AddDays(-31);
    EXPECT_EQ(c, At(2023, 12, 31, 23, 59));
    c.AddHours(25);
    EXPECT_EQ(c, At(2024, 1, 2, 0, 59));
    c.AddMinutes(-59);
    c.AddSeconds(90);
    EXPECT_EQ(c, At(2024, 1, 2, 0, 1, 30));
    c += Length(1, 0, 0);
    c -= ZTime::kTicksPerSecond * 30;
    EXPECT_EQ(c, At(2024, 1, 3, 0, 1));
    c -= Length(2, 0, 0);
    c += ZTime::kTicksPerHour;
    EXPECT_EQ(c, At(2024, 1, 1, 1, 1));
    EXPECT_EQ(c.Month(), 1);
    c.Clear();
    EXPECT_EQ(c.Ticks(), 0u);

    EXPECT_FALSE(At(2024, 1, 1, 23, 59).IsSameDay(At(2024, 1, 2, 0, 1)));
    EXPECT_TRUE(At(2024, 1, 1, 0, 0).IsSameDay(At(2024, 1, 1, 23, 59).Ticks()));
    EXPECT_FALSE(At(2024, 1, 1).IsSameDay(At(2023, 1, 1)));
}

TEST(ZTimeClock, SetNowReadsTheInstalledSourceOrTheLocalClock)
{
    const ULONGLONG fixed = At(2024, 6, 30, 8, 15, 0).Ticks();
    ZTime::SetNowSource([fixed] { return fixed; });
    ZTime now;
    now.SetNow();
    EXPECT_EQ(now.Ticks(), fixed);

    // The device clock is local time: under UTC it is the Unix time on the
    // file-time scale.
    const char* savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    ZTime::SetNowSource({});
    now.SetNow();
    const auto unixNow
        = static_cast<ULONGLONG>(std::time(nullptr) + kUnixEpochSeconds) * ZTime::kTicksPerSecond;
    EXPECT_LT(now > unixNow ? now.Ticks() - unixNow : unixNow - now.Ticks(), 5 * ZTime::kTicksPerSecond);
    EXPECT_EQ(now.Ticks() % 10000, 0u); // milliseconds, no finer

    // Another zone moves the reading by its offset, with no conversion back.
    setenv("TZ", "JST-9", 1);
    tzset();
    const ULONGLONG tokyo = ZTime::DeviceNow();
    EXPECT_LT(
        tokyo - unixNow - 9 * ZTime::kTicksPerHour + 5 * ZTime::kTicksPerSecond, 10 * ZTime::kTicksPerSecond);
    if (savedTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(ZTimeText, LocaleTextsOfTheUserLocale)
{
    const ZTime t = At(2024, 3, 5, 14, 7, 33);
    WCHAR buffer[ZTime::kLongTextChars];
    auto text = [&](int length) { return std::u16string(buffer, static_cast<std::size_t>(length)); };

    EXPECT_EQ(text(t.ShortDate(buffer)), u"3/5/24");
    EXPECT_EQ(text(t.LongDate(buffer)), u"Tuesday, March 5, 2024");
    EXPECT_EQ(text(t.TimeText(buffer)), u"2:07 PM");
    EXPECT_EQ(text(t.DateTimeText(buffer)), u"3/5/24 2:07 PM");
    EXPECT_EQ(text(t.DayName(buffer)), u"Tuesday");
    EXPECT_EQ(text(t.ShortDayName(buffer)), u"Tue");
    EXPECT_EQ(text(t.MonthName(buffer)), u"March");
    EXPECT_EQ(text(t.ShortMonthName(buffer)), u"Mar");
    EXPECT_EQ(buffer[3], 0); // zero-terminated

    ZString s;
    t.LongDate(s);
    EXPECT_EQ(s.ToU16(), u"Tuesday, March 5, 2024");
    At(2024, 3, 5, 0, 5).TimeText(s);
    EXPECT_EQ(s.ToU16(), u"12:05 AM");

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    t.ShortDate(s);
    EXPECT_EQ(s.ToU16(), u"05.03.24");
    t.TimeText(s);
    EXPECT_EQ(s.ToU16(), u"14:07");
    t.DayName(s);
    EXPECT_EQ(s.ToU16(), u"Dienstag");
    QLocale::setDefault(QLocale::c()); // its time picture has seconds, which are dropped
    t.TimeText(s);
    EXPECT_EQ(s.ToU16(), u"14:07");
}

TEST_F(ZTimeText, DatePicturesOfTheListFormatAsTheDeviceDoes)
{
    const ZTime t = At(2024, 3, 5, 9, 3, 4);
    EXPECT_EQ(Picture(t, u"MM/dd/yy"), u"03/05/24");
    EXPECT_EQ(Picture(t, u"M/d/yy"), u"3/5/24");
    EXPECT_EQ(Picture(t, u"dd-MM-yy"), u"05-03-24");
    EXPECT_EQ(Picture(t, u"dd.MM.yy"), u"05.03.24");
    EXPECT_EQ(Picture(t, u"MMM d"), u"Mar 5");
    EXPECT_EQ(Picture(t, u"MMM d yy"), u"Mar 5 24");
    EXPECT_EQ(Picture(t, u"d MMM"), u"5 Mar");
    EXPECT_EQ(Picture(t, u"d MMM yy"), u"5 Mar 24");
    EXPECT_EQ(Picture(t, u"d MMM yyyy"), u"5 Mar 2024");
    EXPECT_EQ(Picture(t, u"ddd, MMM d yyyy gg"), u"Tue, Mar 5 2024 A.D.");
    EXPECT_EQ(Picture(t, u"dddd MMMM"), u"Tuesday March");
    EXPECT_EQ(Picture(At(2005, 11, 20), u"y yy yyyy"), u"5 05 2005");
    // Quoted text is literal, '' is one quote, time letters are plain text here.
    EXPECT_EQ(Picture(t, u"'Day' d 'of' MMMM, ''yy h:m"), u"Day 5 of March, '24 h:m");
    EXPECT_EQ(Picture(t, u"'it''s' d"), u"it's 5");
    EXPECT_EQ(Picture(t, u"'unterminated d"), u"unterminated d");

    ZString time;
    t.FormatTime(u"hh:mm tt", time);
    EXPECT_EQ(time.ToU16(), u"09:03 AM");
    At(2024, 3, 5, 0, 5).FormatTime(u"h:mm t 'at' H", time);
    EXPECT_EQ(time.ToU16(), u"12:05 A at 0");
    At(2024, 3, 5, 23, 9, 8).FormatTime(u"HH:m:ss tt, dd", time);
    EXPECT_EQ(time.ToU16(), u"23:9:08 PM, dd");
}

TEST_F(ZTimeText, NullPicturesAndOverlongTextsAreHandled)
{
    const ZTime t = At(2024, 3, 5);
    WCHAR buffer[ZTime::kShortTextChars] = { u'k', u'e', u'p', u't', 0 };
    EXPECT_EQ(t.FormatDate(nullptr, buffer), -1);
    EXPECT_EQ(std::u16string(buffer), u"kept");
    EXPECT_EQ(t.FormatTime(nullptr, buffer), -1);
    ZString text(u"kept");
    t.FormatDate(nullptr, text);
    EXPECT_EQ(text.ToU16(), u"kept");

    // A text longer than the buffer is a formatting failure: the empty text.
    const std::u16string longPicture(70, u'.');
    EXPECT_EQ(t.FormatDate(longPicture.c_str(), buffer), 0);
    EXPECT_EQ(buffer[0], 0);
    t.FormatDate(longPicture.c_str(), text);
    EXPECT_EQ(text.IsEmpty(), 1);
}

TEST(ZTimeDuration, TextsOfEveryRule)
{
    EXPECT_EQ(Duration(Length(1, 1, 1)), u"1 dy 1 hour 1 mn");
    EXPECT_EQ(Duration(Length(2, 3, 15)), u"2 dys 3 hrs 15 mn");
    EXPECT_EQ(Duration(Length(2, 0, 5)), u"2 dys 0 hrs 5 mn");
    EXPECT_EQ(Duration(Length(1, 0, 1)), u"1 dy 0 hrs 1 mn");
    EXPECT_EQ(Duration(Length(1, 2, 0)), u"1 day 2 hrs");
    EXPECT_EQ(Duration(Length(2, 1, 0)), u"2 days 1 hour");
    EXPECT_EQ(Duration(Length(1, 0, 0)), u"1 day");
    EXPECT_EQ(Duration(Length(3, 0, 0)), u"3 days");
    EXPECT_EQ(Duration(Length(0, 1, 30)), u"1 hour 30 min");
    EXPECT_EQ(Duration(Length(0, 2, 1)), u"2 hrs 1 minute");
    EXPECT_EQ(Duration(Length(0, 2, 0)), u"2 hours");
    EXPECT_EQ(Duration(Length(0, 1, 0)), u"1 hour");
    EXPECT_EQ(Duration(Length(0, 0, 0)), u"0 minutes");
    EXPECT_EQ(Duration(Length(0, 0, 0, 59)), u"0 minutes");
    EXPECT_EQ(Duration(Length(0, 0, 1)), u"1 minute");
    EXPECT_EQ(Duration(Length(0, 0, 45, 59)), u"45 minutes");
    EXPECT_EQ(Duration(Length(30, 23, 59)), u"30 dys 23 hrs 59 mn");
    // From 31 days on, whole days keep counting.
    EXPECT_EQ(Duration(Length(31, 0, 0)), u"31 days");
    EXPECT_EQ(Duration(Length(45, 2, 0)), u"45 days 2 hrs");
    EXPECT_EQ(Duration(Length(400, 1, 1)), u"400 dys 1 hour 1 mn");

    // The longest text fits the buffer form.
    WCHAR buffer[ZTime::kDurationTextChars];
    const int length = Length(21350397, 23, 59).DurationText(buffer);
    EXPECT_EQ(std::u16string(buffer), u"21350397 dys 23 hrs 59 mn");
    EXPECT_EQ(length, 25);
    EXPECT_LT(ZTime(~0ULL).DurationText(buffer), ZTime::kDurationTextChars);
}

TEST(ZTimeDuration, ParsingTheTypedExamples)
{
    EXPECT_EQ(Parsed(u"90"), Length(0, 0, 90).Ticks());
    EXPECT_EQ(Parsed(u"1.5h"), Length(0, 1, 30).Ticks());
    EXPECT_EQ(Parsed(u"2d 4h"), Length(2, 4, 0).Ticks());
    EXPECT_EQ(Parsed(u"2.5D"), Length(2, 12, 0).Ticks());
    EXPECT_EQ(Parsed(u"1w"), Length(7, 0, 0).Ticks());
    EXPECT_EQ(Parsed(u"1.5w"), Length(10, 0, 0).Ticks()); // 3.5 days cut to 3
    EXPECT_EQ(Parsed(u"1h 30"), Length(0, 1, 30).Ticks());
    EXPECT_EQ(Parsed(u".5h"), Length(0, 0, 30).Ticks());
    EXPECT_EQ(Parsed(u"0.25h"), Length(0, 0, 15).Ticks());
    EXPECT_EQ(Parsed(u"3.0h"), Length(0, 3, 0).Ticks());
    EXPECT_EQ(Parsed(u"2 hours 10 minutes"), Length(0, 2, 10).Ticks());
    EXPECT_EQ(Parsed(u"5 days"), Length(5, 0, 0).Ticks());
    EXPECT_EQ(Parsed(u"5 sec"), Length(0, 0, 0, 5).Ticks());
    EXPECT_EQ(Parsed(u"2.9m"), Length(0, 0, 2).Ticks()); // "M" is minutes; fraction dropped
    EXPECT_EQ(Parsed(u"1 month"), Length(0, 0, 1).Ticks());
    // A comma is no decimal point: what stands between a number and its unit is skipped.
    EXPECT_EQ(Parsed(u"about 1,5h"), Length(0, 1, 0).Ticks());

    int result = -1;
    EXPECT_EQ(Parsed(u"abc", &result), 0u);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Parsed(u"", &result), 0u);
    EXPECT_EQ(result, 0);
    ZTime untouched(123ULL);
    EXPECT_EQ(untouched.ParseDuration(static_cast<LPWSTR>(nullptr)), 0);
    EXPECT_EQ(untouched.Ticks(), 123u);

    // The parser adds to the value it has.
    ZTime start = At(2024, 3, 5, 9);
    ZString typed(u"1h 15");
    EXPECT_EQ(start.ParseDuration(typed), 1);
    EXPECT_EQ(start, At(2024, 3, 5, 10, 15));

    // The caller's text comes back upper-cased from the first number on.
    ZString words(u"about 2 hours");
    ZTime length;
    length.ParseDuration(words);
    EXPECT_EQ(words.ToU16(), u"about 2 HOURS");
}

TEST(ZTimeDuration, TextsReadBackAsTheSameLength)
{
    const ZTime lengths[] = {
        Length(1, 1, 1),
        Length(2, 0, 5),
        Length(1, 2, 0),
        Length(3, 0, 0),
        Length(0, 1, 30),
        Length(0, 2, 1),
        Length(0, 2, 0),
        Length(0, 0, 0),
        Length(0, 0, 1),
        Length(45, 2, 0),
    };
    for (const ZTime& length : lengths) {
        const std::u16string text = Duration(length);
        EXPECT_EQ(Parsed(text.c_str()), length.Ticks()) << std::string(text.begin(), text.end());
    }

    // The entry editor's duration choices read back to the texts it shows.
    const std::pair<const char16_t*, const char16_t*> choices[] = {
        { u"0 minutes", u"0 minutes" },
        { u"15 minutes", u"15 minutes" },
        { u"1 hour", u"1 hour" },
        { u"11 hours", u"11 hours" },
        { u".5 days", u"12 hours" },
        { u"1 day", u"1 day" },
        { u"2 days", u"2 days" },
    };
    for (const auto& [typed, shown] : choices)
        EXPECT_EQ(Duration(ZTime(Parsed(typed))), shown);
}

TEST(ZTimeDuration, HugeNumbersAndVeryLongTextsStayInBounds)
{
    // Counts beyond 32 bits are held to the largest count, never wrapped.
    EXPECT_EQ(Parsed(u"99999999999m"), 2147483647ULL * ZTime::kTicksPerMinute);
    EXPECT_EQ(Parsed(u"1e3m"), Length(0, 0, 1000).Ticks());
    EXPECT_EQ(Parsed(u"1e999h"), 2147483647ULL * ZTime::kTicksPerHour);

    // A typed text far longer than any field is read whole, with nothing
    // overrun (the sanitizer build checks the memory side).
    std::u16string longText(20000, u'x');
    longText += u"2h";
    for (int i = 0; i < 5000; ++i)
        longText += u" 1m";
    ZString typed(longText.c_str());
    ZTime length;
    EXPECT_EQ(length.ParseDuration(typed), 1);
    EXPECT_EQ(length, Length(0, 2, 5000));
    EXPECT_EQ(typed.Length(), static_cast<int>(longText.size()));
    EXPECT_EQ(typed.Text()[20000], u'2');
    EXPECT_EQ(typed.Text()[typed.Length() - 1], u'M');
}
