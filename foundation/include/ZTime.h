#pragma once
// ZTime: the one value type for points in time and for lengths of time.
//
// A ZTime holds an unsigned 64-bit count of 100-ns ticks. For a point in time
// the count runs from 1 January 1601 00:00 in LOCAL time (the file-time scale,
// but local): no conversion between universal and local time is ever made
// here. For a length of time the count is the length itself (an entry's
// duration). Arithmetic wraps modulo 2^64 like the unsigned count it is.
//
// Calendar conversions are proleptic Gregorian and exact for the years
// 1601..30827. Texts use the user's default locale (QLocale()) for names and
// for the short/long date and time pictures; the duration words are fixed
// English. Nothing throws: a failed conversion leaves its output zero (0.0
// for variant time) or, for texts, empty.
//
// A ZTime is a plain value; distinct objects may be used from any thread. The
// clock hook (SetNowSource) is process-wide and meant for tests and start-up.

#include "WinTypes.h"

#include <functional>

class ZString;

class ZTime {
public:
    // Buffer sizes (characters, terminator included) of the buffer forms of
    // the texts: a caller's buffer must hold at least this many WCHARs.
    static constexpr int kShortTextChars = 60; // ShortDate, TimeText, FormatDate/FormatTime
    static constexpr int kLongTextChars = 120; // LongDate, DateTimeText, day and month names
    static constexpr int kDurationTextChars = 32; // DurationText (the longest is 26)

    static constexpr ULONGLONG kTicksPerSecond = 10'000'000ULL;
    static constexpr ULONGLONG kTicksPerMinute = 60 * kTicksPerSecond;
    static constexpr ULONGLONG kTicksPerHour = 60 * kTicksPerMinute;
    static constexpr ULONGLONG kTicksPerDay = 24 * kTicksPerHour;

    ZTime() = default;
    ZTime(DWORD low, DWORD high);
    explicit ZTime(ULONGLONG ticks)
        : m_ticks(ticks)
    {
    }
    explicit ZTime(const FILETIME& fileTime);
    // Converts a system time; invalid fields (month 13, 31 February, a year
    // outside 1601..30827, ...) give 0 ticks.
    explicit ZTime(const SYSTEMTIME& systemTime);
    ZTime(const ZTime&) = default;
    ZTime& operator=(const ZTime&) = default;
    virtual ~ZTime() = default;

    ZTime& operator=(ULONGLONG ticks);
    void SetTicks(ULONGLONG ticks) { m_ticks = ticks; }
    void SetTicks(DWORD low, DWORD high);
    ULONGLONG Ticks() const { return m_ticks; }
    DWORD LowTicks() const { return static_cast<DWORD>(m_ticks); }
    DWORD HighTicks() const { return static_cast<DWORD>(m_ticks >> 32); }
    void Clear() { m_ticks = 0; }

    // Reads the device's local time, milliseconds included (or the installed
    // source, see SetNowSource).
    void SetNow();
    // Converts a variant time (OLE date: days since 30 December 1899, time of
    // day in the fraction, rounded to the nearest second) and stores it only
    // when its year is 1980..2107; otherwise the value is left unchanged.
    void FromVariantTime(double variantTime);
    // Stores a system time (as the constructor converts it). Returns 1, or 0
    // for invalid fields (the value is then unchanged). The date/time picker
    // wrappers of the window layer read and write controls through this and
    // ToSystemTime().
    int FromSystemTime(const SYSTEMTIME& systemTime);

    FILETIME ToFileTime() const;
    // The calendar fields of the ticks (day of week 0 = Sunday). Ticks above
    // 0x7FFFFFFFFFFFFFFF cannot be converted and give all fields 0.
    SYSTEMTIME ToSystemTime() const;
    // The variant time of ToSystemTime() (milliseconds ignored); 0.0 when the
    // conversion fails (years after 9999).
    double ToVariantTime() const;
    // The month (1..12) of ToSystemTime().
    int Month() const;

    // Comparisons of the unsigned tick counts. A system time compares by its
    // converted ticks (0 when its fields are invalid).
    bool operator==(const ZTime& other) const { return m_ticks == other.m_ticks; }
    bool operator!=(const ZTime& other) const { return m_ticks != other.m_ticks; }
    bool operator==(ULONGLONG ticks) const { return m_ticks == ticks; }
    bool operator!=(ULONGLONG ticks) const { return m_ticks != ticks; }
    bool operator==(const SYSTEMTIME& systemTime) const;
    bool operator!=(const SYSTEMTIME& systemTime) const { return !(*this == systemTime); }
    bool operator<(const ZTime& other) const { return m_ticks < other.m_ticks; }
    bool operator>(const ZTime& other) const { return m_ticks > other.m_ticks; }
    bool operator<=(const ZTime& other) const { return m_ticks <= other.m_ticks; }
    bool operator>=(const ZTime& other) const { return m_ticks >= other.m_ticks; }
    bool operator<(ULONGLONG ticks) const { return m_ticks < ticks; }
    bool operator>(ULONGLONG ticks) const { return m_ticks > ticks; }
    bool operator<=(ULONGLONG ticks) const { return m_ticks <= ticks; }
    bool operator>=(ULONGLONG ticks) const { return m_ticks >= ticks; }
    // True when year, month and day of both are equal (time of day ignored).
    bool IsSameDay(ULONGLONG otherTicks) const;
    bool IsSameDay(const ZTime& other) const { return IsSameDay(other.m_ticks); }

    // Sum and difference of the tick counts.
    ULONGLONG operator+(const ZTime& other) const { return m_ticks + other.m_ticks; }
    ULONGLONG operator-(const ZTime& other) const { return m_ticks - other.m_ticks; }
    ZTime& operator+=(const ZTime& other);
    ZTime& operator+=(ULONGLONG ticks);
    ZTime& operator-=(const ZTime& other);
    ZTime& operator-=(ULONGLONG ticks);
    // Add n (negative to go back) days of 24 hours, hours, minutes, seconds.
    void AddDays(LONG n);
    void AddHours(LONG n);
    void AddMinutes(LONG n);
    void AddSeconds(LONG n);
    void AddOneMinute();

    // Texts of ToSystemTime(). The buffer forms write a zero-terminated text
    // into a caller's buffer of the stated size (see the constants above) and
    // return its length; the ZString forms assign the text (an empty text
    // leaves the string unset). A formatting failure gives the empty text.
    int ShortDate(LPWSTR buffer) const; // the locale's short date
    void ShortDate(ZString& text) const;
    int LongDate(LPWSTR buffer) const; // the locale's long date
    void LongDate(ZString& text) const;
    int TimeText(LPWSTR buffer) const; // the locale's time without seconds
    void TimeText(ZString& text) const;
    int DateTimeText(LPWSTR buffer) const; // short date, " ", time without seconds
    void DateTimeText(ZString& text) const;
    int DayName(LPWSTR buffer) const; // "dddd"
    void DayName(ZString& text) const;
    int ShortDayName(LPWSTR buffer) const; // "ddd"
    void ShortDayName(ZString& text) const;
    int MonthName(LPWSTR buffer) const; // "MMMM"
    void MonthName(ZString& text) const;
    int ShortMonthName(LPWSTR buffer) const; // "MMM"
    void ShortMonthName(ZString& text) const;
    // Formats with a date picture: d dd ddd dddd (day, names), M MM MMM MMMM
    // (month, names), y yy yyyy (year), g gg (era, "A.D."); text in single
    // quotes and every other character is copied ('' gives one quote). A null
    // picture leaves the destination untouched and returns -1 (buffer form).
    int FormatDate(LPCWSTR picture, LPWSTR buffer) const;
    void FormatDate(LPCWSTR picture, ZString& text) const;
    // Formats with a time picture: h hh (12-hour), H HH (24-hour), m mm, s ss,
    // t (first letter of the AM/PM designator), tt (designator); quotes as
    // above. A null picture leaves the destination untouched (buffer form: -1).
    int FormatTime(LPCWSTR picture, LPWSTR buffer) const;
    void FormatTime(LPCWSTR picture, ZString& text) const;

    // The length as "2 dys 3 hrs 15 mn", "1 day 2 hrs", "1 hour 30 min",
    // "2 hours", "0 minutes" ... (seconds are not shown). Lengths of 31 days
    // and more count their whole days ("45 days").
    int DurationText(LPWSTR buffer) const;
    void DurationText(ZString& text) const;

    // Adds the length that a typed text describes ("90" minutes, "1.5h",
    // "2d 4h", "1w", "5 sec", "2 hours 10 minutes"; units M minutes, H hours,
    // D days, W weeks, S seconds, a bare trailing number is minutes). The text
    // is upper-cased in place from its first digit or '.' on. Returns 1 when a
    // number was recognised, 0 otherwise (null text, no digit: nothing
    // changes). Counts beyond the 32-bit range are cut to it.
    int ParseDuration(LPWSTR text);
    // As above on a copy of the string's text (of any length), which is then
    // assigned back; an empty string returns 0 at once.
    int ParseDuration(ZString& text);
    // A length typed where nothing may be guessed (the command line): plain
    // minutes ("90"), hours and minutes ("1:30"), or numbers with unit words
    // as above ("1.5h", "2d 4h", "1 hour 30 min", ".5 days", the texts of
    // DurationText). Unlike ParseDuration, anything else is refused: signs,
    // stray words, and lengths over kMaxTypedYears years. Sets `length` and
    // returns true when the whole text is one of these forms.
    static bool ParseTypedDuration(const ZString& text, ZTime& length);
    static constexpr int kMaxTypedYears = 100;
    // The accepted forms, for messages that refuse a text.
    static constexpr const char* kTypedDurationForms
        = "minutes (\"90\"), h:mm (\"1:30\") or numbers with units m, h, d, w, s "
          "(\"1.5h\", \"2d 4h\", \"1 hour 30 min\")";

    // The source of "now" for SetNow() as local ticks. Tests (and the
    // stopwatch's tests) install a fixed or advancing clock; an empty
    // function restores the device clock.
    using NowSource = std::function<ULONGLONG()>;
    static void SetNowSource(NowSource source);
    // The device's local time as ticks, milliseconds included.
    static ULONGLONG DeviceNow();

private:
    ULONGLONG m_ticks = 0;
};
