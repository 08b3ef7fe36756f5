#include "Calendar.h"

namespace {

constexpr ULONGLONG kTicksPerMillisecond = 10'000;
constexpr ULONGLONG kTicksPerSecond = 1000 * kTicksPerMillisecond;
constexpr ULONGLONG kTicksPerDay = 86'400 * kTicksPerSecond;
constexpr ULONGLONG kLastConvertibleTicks = 0x7FFFFFFFFFFFFFFFULL;
constexpr WORD kFirstYear = 1601;
constexpr WORD kLastYear = 30827;

struct CivilDate {
    LONGLONG year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(LONGLONG days)
{
    const LONGLONG era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const LONGLONG year = static_cast<LONGLONG>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return { year, month, day };
}

constexpr LONGLONG kDay1601 = DaysFromCivil(1601, 1, 1);

bool IsLeapYear(LONGLONG year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

unsigned DaysInMonth(LONGLONG year, unsigned month)
{
    static constexpr unsigned kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

SYSTEMTIME SystemTimeFromTicks(ULONGLONG ticks)
{
    SYSTEMTIME time {};
    if (ticks > kLastConvertibleTicks)
        return time;
    const auto days = static_cast<LONGLONG>(ticks / kTicksPerDay);
    const CivilDate date = CivilFromDays(days + kDay1601);
    ULONGLONG rest = ticks % kTicksPerDay;
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    // 1 January 1601 was a Monday.
    time.wDayOfWeek = static_cast<WORD>((days + 1) % 7);
    time.wHour = static_cast<WORD>(rest / (3600 * kTicksPerSecond));
    rest %= 3600 * kTicksPerSecond;
    time.wMinute = static_cast<WORD>(rest / (60 * kTicksPerSecond));
    rest %= 60 * kTicksPerSecond;
    time.wSecond = static_cast<WORD>(rest / kTicksPerSecond);
    time.wMilliseconds = static_cast<WORD>((rest % kTicksPerSecond) / kTicksPerMillisecond);
    return time;
}

std::optional<ULONGLONG> TicksFromSystemTime(const SYSTEMTIME& time)
{
    if (time.wYear < kFirstYear || time.wYear > kLastYear || time.wMonth < 1 || time.wMonth > 12
        || time.wDay < 1 || time.wDay > DaysInMonth(time.wYear, time.wMonth) || time.wHour > 23
        || time.wMinute > 59 || time.wSecond > 59 || time.wMilliseconds > 999)
        return std::nullopt;
    const auto days = static_cast<ULONGLONG>(DaysSince1601(time.wYear, time.wMonth, time.wDay));
    const ULONGLONG seconds = time.wHour * 3600ULL + time.wMinute * 60ULL + time.wSecond;
    return days * kTicksPerDay + seconds * kTicksPerSecond + time.wMilliseconds * kTicksPerMillisecond;
}
