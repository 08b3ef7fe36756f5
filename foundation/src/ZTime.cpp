#include "ZTime.h"

#include "Calendar.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace {

// Variant time (OLE date) day 0 is 30 December 1899; it covers years 100..9999.
constexpr LONGLONG kVariantEpochDay = DaysSince1601(1899, 12, 30);
constexpr double kSecondsPerDay = 86400.0;
constexpr WORD kVariantFirstYear = 100;
constexpr WORD kVariantLastYear = 9999;
// FromVariantTime only takes dates of these years.
constexpr WORD kVariantAcceptFirst = 1980;
constexpr WORD kVariantAcceptLast = 2107;

std::mutex& NowSourceMutex()
{
    static std::mutex mutex;
    return mutex;
}

ZTime::NowSource& CurrentNowSource()
{
    static ZTime::NowSource source;
    return source;
}

ULONGLONG SignedTicks(LONG count, ULONGLONG unit)
{
    // Unsigned multiplication wraps, which gives the two's-complement
    // product for negative counts.
    return static_cast<ULONGLONG>(static_cast<LONGLONG>(count)) * unit;
}

} // namespace

ZTime::ZTime(DWORD low, DWORD high)
{
    SetTicks(low, high);
}

ZTime::ZTime(const FILETIME& fileTime)
    : ZTime(fileTime.dwLowDateTime, fileTime.dwHighDateTime)
{
}

ZTime::ZTime(const SYSTEMTIME& systemTime)
{
    m_ticks = TicksFromSystemTime(systemTime).value_or(0);
}

ZTime& ZTime::operator=(ULONGLONG ticks)
{
    m_ticks = ticks;
    return *this;
}

void ZTime::SetTicks(DWORD low, DWORD high)
{
    m_ticks = (static_cast<ULONGLONG>(high) << 32) | low;
}

void ZTime::SetNow()
{
    NowSource source;
    {
        const std::lock_guard lock(NowSourceMutex());
        source = CurrentNowSource();
    }
    m_ticks = source ? source() : DeviceNow();
}

void ZTime::SetNowSource(NowSource source)
{
    const std::lock_guard lock(NowSourceMutex());
    CurrentNowSource() = std::move(source);
}

ULONGLONG ZTime::DeviceNow()
{
    using namespace std::chrono;
    const LONGLONG milliseconds
        = duration_cast<std::chrono::milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm local {};
    localtime_r(&seconds, &local);
    SYSTEMTIME now {};
    now.wYear = static_cast<WORD>(local.tm_year + 1900);
    now.wMonth = static_cast<WORD>(local.tm_mon + 1);
    now.wDay = static_cast<WORD>(local.tm_mday);
    now.wHour = static_cast<WORD>(local.tm_hour);
    now.wMinute = static_cast<WORD>(local.tm_min);
    // A leap second (60) is folded into the last second of the minute.
    now.wSecond = static_cast<WORD>(std::min(local.tm_sec, 59));
    now.wMilliseconds = static_cast<WORD>(milliseconds % 1000);
    return TicksFromSystemTime(now).value_or(0);
}

void ZTime::FromVariantTime(double variantTime)
{
    const double firstDay = static_cast<double>(DaysSince1601(kVariantFirstYear, 1, 1) - kVariantEpochDay);
    const double lastDay = static_cast<double>(DaysSince1601(kVariantLastYear, 12, 31) - kVariantEpochDay);
    if (!std::isfinite(variantTime) || variantTime < firstDay - 1 || variantTime > lastDay + 1)
        return;
    // The whole part names the day; the fraction is the time of day even for
    // dates before day 0 (-1.25 is 29 December 1899, 06:00).
    const double wholeDays = std::trunc(variantTime);
    LONGLONG day = static_cast<LONGLONG>(wholeDays) + kVariantEpochDay;
    LONGLONG seconds = std::llround(std::fabs(variantTime - wholeDays) * kSecondsPerDay);
    if (seconds >= static_cast<LONGLONG>(kSecondsPerDay)) {
        seconds -= static_cast<LONGLONG>(kSecondsPerDay);
        ++day;
    }
    if (day < 0)
        return;
    const SYSTEMTIME date = SystemTimeFromTicks(static_cast<ULONGLONG>(day) * kTicksPerDay);
    if (date.wYear < kVariantAcceptFirst || date.wYear > kVariantAcceptLast)
        return;
    m_ticks = static_cast<ULONGLONG>(day) * kTicksPerDay + static_cast<ULONGLONG>(seconds) * kTicksPerSecond;
}

int ZTime::FromSystemTime(const SYSTEMTIME& systemTime)
{
    const auto ticks = TicksFromSystemTime(systemTime);
    if (!ticks)
        return 0;
    m_ticks = *ticks;
    return 1;
}

FILETIME ZTime::ToFileTime() const
{
    return FILETIME { LowTicks(), HighTicks() };
}

SYSTEMTIME ZTime::ToSystemTime() const
{
    return SystemTimeFromTicks(m_ticks);
}

double ZTime::ToVariantTime() const
{
    const SYSTEMTIME time = ToSystemTime();
    if (time.wYear < kVariantFirstYear || time.wYear > kVariantLastYear)
        return 0.0;
    const LONGLONG day = DaysSince1601(time.wYear, time.wMonth, time.wDay) - kVariantEpochDay;
    const double fraction = (time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond) / kSecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

int ZTime::Month() const
{
    return ToSystemTime().wMonth;
}

bool ZTime::operator==(const SYSTEMTIME& systemTime) const
{
    return m_ticks == TicksFromSystemTime(systemTime).value_or(0);
}

bool ZTime::IsSameDay(ULONGLONG otherTicks) const
{
    const SYSTEMTIME mine = ToSystemTime();
    const SYSTEMTIME theirs = SystemTimeFromTicks(otherTicks);
    return mine.wYear == theirs.wYear && mine.wMonth == theirs.wMonth && mine.wDay == theirs.wDay;
}

ZTime& ZTime::operator+=(const ZTime& other)
{
    return *this += other.m_ticks;
}

ZTime& ZTime::operator+=(ULONGLONG ticks)
{
    m_ticks += ticks;
    return *this;
}

ZTime& ZTime::operator-=(const ZTime& other)
{
    return *this -= other.m_ticks;
}

ZTime& ZTime::operator-=(ULONGLONG ticks)
{
    m_ticks -= ticks;
    return *this;
}

void ZTime::AddDays(LONG n)
{
    m_ticks += SignedTicks(n, kTicksPerDay);
}

void ZTime::AddHours(LONG n)
{
    m_ticks += SignedTicks(n, kTicksPerHour);
}

void ZTime::AddMinutes(LONG n)
{
    m_ticks += SignedTicks(n, kTicksPerMinute);
}

void ZTime::AddSeconds(LONG n)
{
    m_ticks += SignedTicks(n, kTicksPerSecond);
}

void ZTime::AddOneMinute()
{
    m_ticks += kTicksPerMinute;
}
