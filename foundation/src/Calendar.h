#pragma once
// Proleptic Gregorian calendar arithmetic on the file-time scale (100-ns
// ticks since 1 January 1601), exact for every year the scale reaches. Pure
// functions; thread-safe.

#include "WinTypes.h"

#include <optional>

// Days since 1 March of year 0 in the proleptic Gregorian calendar, counted
// in 400-year eras (each exactly 146097 days) so that leap rules are exact.
constexpr LONGLONG DaysFromCivil(LONGLONG year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const LONGLONG era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<LONGLONG>(dayOfEra);
}

// Days from 1 January 1601 to the given date (negative before it). The date
// is not checked.
constexpr LONGLONG DaysSince1601(LONGLONG year, unsigned month, unsigned day)
{
    return DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
}

// The number of days of a month (month 1..12).
unsigned DaysInMonth(LONGLONG year, unsigned month);

// The calendar fields of `ticks`, day of week 0 = Sunday. Ticks above
// 0x7FFFFFFFFFFFFFFF give all fields 0, as the platform's conversion fails.
SYSTEMTIME SystemTimeFromTicks(ULONGLONG ticks);

// The ticks of a system time; nothing when a field is out of range (year
// 1601..30827, month 1..12, day within the month, hour < 24, minute and
// second < 60, milliseconds < 1000). The day of week is not read.
std::optional<ULONGLONG> TicksFromSystemTime(const SYSTEMTIME& time);
