// Lengths of time as short English texts ("2 dys 3 hrs 15 mn") and back from
// what the user types into the duration field ("1.5h", "2d 4h", "90").

#include "ZTime.h"

#include "ZString.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

namespace {

struct DurationParts {
    ULONGLONG days;
    unsigned hours;
    unsigned minutes;
};

// Whole days, then hours and minutes. Below 31 days this is exactly the day
// of the month less one, hour and minute of the ticks read as a date in
// January 1601; longer lengths keep counting whole days.
DurationParts SplitDuration(ULONGLONG ticks)
{
    const ULONGLONG rest = ticks % ZTime::kTicksPerDay;
    return { ticks / ZTime::kTicksPerDay, static_cast<unsigned>(rest / ZTime::kTicksPerHour),
        static_cast<unsigned>(rest % ZTime::kTicksPerHour / ZTime::kTicksPerMinute) };
}

std::string FormatDuration(const DurationParts& d)
{
    const auto days = static_cast<unsigned long long>(d.days);
    const char* hourWord = d.hours == 1 ? "hour" : "hrs";
    char text[ZTime::kDurationTextChars] = {};
    if (d.days >= 1 && d.minutes >= 1) {
        const char* dayWord = d.days == 1 ? "dy" : "dys";
        if (d.hours >= 1)
            std::snprintf(
                text, sizeof text, "%llu %s %u %s %u mn", days, dayWord, d.hours, hourWord, d.minutes);
        else
            std::snprintf(text, sizeof text, "%llu %s 0 hrs %u mn", days, dayWord, d.minutes);
    } else if (d.days >= 1) {
        const char* dayWord = d.days == 1 ? "day" : "days";
        if (d.hours >= 1)
            std::snprintf(text, sizeof text, "%llu %s %u %s", days, dayWord, d.hours, hourWord);
        else
            std::snprintf(text, sizeof text, "%llu %s", days, dayWord);
    } else if (d.hours >= 1 && d.minutes >= 1) {
        std::snprintf(text, sizeof text, "%u %s %u %s", d.hours, hourWord, d.minutes,
            d.minutes == 1 ? "minute" : "min");
    } else if (d.hours >= 1) {
        std::snprintf(text, sizeof text, "%u %s", d.hours, d.hours == 1 ? "hour" : "hours");
    } else {
        std::snprintf(text, sizeof text, "%u %s", d.minutes, d.minutes == 1 ? "minute" : "minutes");
    }
    return text;
}

bool IsNumberStart(WCHAR ch)
{
    return (ch >= u'0' && ch <= u'9') || ch == u'.';
}

bool IsDigit(WCHAR ch)
{
    return ch >= u'0' && ch <= u'9';
}

LPWSTR FindNumberStart(LPWSTR text)
{
    while (*text && !IsNumberStart(*text))
        ++text;
    return *text ? text : nullptr;
}

LPWSTR FindUnitLetter(LPWSTR text)
{
    static constexpr std::u16string_view kUnits = u"MHDWS";
    while (*text && kUnits.find(*text) == std::u16string_view::npos)
        ++text;
    return *text ? text : nullptr;
}

// Reads a decimal number (digits, an optional fraction, an optional exponent)
// at `text` the way the C library's string-to-double does, independent of the
// process locale. Sets `end` after the number, or to `text` (value 0) when
// there is no digit.
double ReadNumber(LPWSTR text, LPWSTR& end)
{
    std::string ascii;
    LPWSTR p = text;
    bool sawDigit = false;
    for (; IsDigit(*p); ++p, sawDigit = true)
        ascii += static_cast<char>(*p);
    if (*p == u'.') {
        ascii += '.';
        for (++p; IsDigit(*p); ++p, sawDigit = true)
            ascii += static_cast<char>(*p);
    }
    if (!sawDigit) {
        end = text;
        return 0.0;
    }
    LPWSTR exponent = p;
    if (*exponent == u'E' || *exponent == u'e') {
        std::string digits = "e";
        LPWSTR q = exponent + 1;
        if (*q == u'+' || *q == u'-')
            digits += static_cast<char>(*q++);
        if (IsDigit(*q)) {
            for (; IsDigit(*q); ++q)
                digits += static_cast<char>(*q);
            ascii += digits;
            p = q;
        }
    }
    end = p;
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = ascii.find("e-") != std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
    return value;
}

// A count for the Add operations: truncated toward zero and held to the
// 32-bit range (a typed "99999999999" must not wrap to a negative length).
LONG ToCount(double value)
{
    constexpr double kMax = std::numeric_limits<LONG>::max();
    constexpr double kMin = std::numeric_limits<LONG>::min();
    if (!(value < kMax))
        return std::numeric_limits<LONG>::max();
    if (!(value > kMin))
        return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(value);
}

void UpperCaseInPlace(LPWSTR text)
{
    ZString upper(text);
    if (!upper.Text())
        return;
    upper.MakeUpper(); // keeps the length, so it fits back where it came from
    std::char_traits<char16_t>::copy(text, upper.Text(), std::char_traits<char16_t>::length(text));
}


// The unit words a typed length may use, each with its length in seconds.
// Every word starts with the unit letter ParseDuration reads it by.
struct UnitWord {
    std::string_view word;
    double seconds;
};
constexpr std::array<UnitWord, 26> kUnitWords = { {
    { "s", 1 }, { "sec", 1 }, { "secs", 1 }, { "second", 1 }, { "seconds", 1 },
    { "m", 60 }, { "mn", 60 }, { "min", 60 }, { "mins", 60 }, { "minute", 60 }, { "minutes", 60 },
    { "h", 3600 }, { "hr", 3600 }, { "hrs", 3600 }, { "hour", 3600 }, { "hours", 3600 },
    { "d", 86400 }, { "dy", 86400 }, { "dys", 86400 }, { "day", 86400 }, { "days", 86400 },
    { "w", 604800 }, { "wk", 604800 }, { "wks", 604800 }, { "week", 604800 }, { "weeks", 604800 },
} };

const UnitWord* FindUnitWord(std::string_view word)
{
    for (const UnitWord& unit : kUnitWords)
        if (unit.word == word)
            return &unit;
    return nullptr;
}

// "h:mm" with minutes below 60: the length in minutes, else -1.
long long HoursAndMinutes(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || text.size() - colon != 3 || colon > 9)
        return -1;
    long long hours = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return -1;
        hours = hours * 10 + (text[i] - '0');
    }
    if (!std::isdigit(static_cast<unsigned char>(text[colon + 1]))
        || !std::isdigit(static_cast<unsigned char>(text[colon + 2])))
        return -1;
    const int minutes = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    return minutes < 60 ? hours * 60 + minutes : -1;
}

// The length in seconds of a text of numbers, each followed by a unit word
// (the last may stand alone, as minutes); -1 when the text is anything else.
double UnitTextSeconds(std::string_view text)
{
    double total = 0;
    std::size_t at = 0;
    auto skipSpaces = [&] {
        while (at < text.size() && text[at] == ' ')
            ++at;
    };
    skipSpaces();
    if (at == text.size())
        return -1;
    while (at < text.size()) {
        const std::size_t start = at;
        while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.'))
            ++at;
        double number = 0;
        const auto read = std::from_chars(text.data() + start, text.data() + at, number);
        // Each count must fit the 32-bit counts ParseDuration adds with.
        if (at == start || read.ec != std::errc() || read.ptr != text.data() + at || number >= 2147483647.0)
            return -1;
        skipSpaces();
        const std::size_t wordStart = at;
        while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
            ++at;
        if (wordStart == at) {
            if (at != text.size())
                return -1; // a bare number is minutes only at the end
            return total + number * 60;
        }
        const UnitWord* unit = FindUnitWord(text.substr(wordStart, at - wordStart));
        if (!unit)
            return -1;
        total += number * unit->seconds;
        skipSpaces();
    }
    return total;
}

} // namespace

int ZTime::DurationText(LPWSTR buffer) const
{
    if (!buffer)
        return 0;
    const std::string text = FormatDuration(SplitDuration(m_ticks));
    for (std::size_t i = 0; i <= text.size(); ++i)
        buffer[i] = static_cast<WCHAR>(static_cast<unsigned char>(text.c_str()[i]));
    return static_cast<int>(text.size());
}

void ZTime::DurationText(ZString& text) const
{
    WCHAR buffer[kDurationTextChars] = {};
    DurationText(buffer);
    text.Assign(buffer);
}

int ZTime::ParseDuration(LPWSTR text)
{
    if (!text)
        return 0;
    LPWSTR number = FindNumberStart(text);
    if (!number)
        return 0;
    UpperCaseInPlace(number);
    for (;;) {
        LPWSTR afterNumber = nullptr;
        double whole = 0.0;
        const double fraction = std::modf(ReadNumber(number, afterNumber), &whole);
        const LPWSTR unit = FindUnitLetter(afterNumber);
        if (!unit) {
            // A trailing bare number is minutes.
            AddMinutes(ToCount(whole));
            return 1;
        }
        const LONG count = ToCount(whole);
        const bool hasFraction = std::ceil(fraction * 10) != 0;
        switch (*unit) {
        case u'D':
            if (count != 0)
                AddDays(count);
            if (hasFraction)
                AddHours(ToCount(fraction * 24));
            break;
        case u'H':
            if (count != 0)
                AddHours(count);
            if (hasFraction)
                AddMinutes(ToCount(fraction * 60));
            break;
        case u'M': // minutes, never months; the fraction is dropped
            AddMinutes(count);
            break;
        case u'S':
            AddSeconds(count);
            break;
        default: // W
            if (count != 0)
                AddDays(ToCount(whole * 7));
            if (hasFraction)
                AddDays(ToCount(fraction * 7));
            break;
        }
        number = FindNumberStart(unit + 1);
        if (!number)
            return 1;
    }
}

int ZTime::ParseDuration(ZString& text)
{
    if (text.IsEmpty())
        return 0;
    // The copy lives on the heap at the text's own length, so a text of any
    // length is read whole and nothing can overrun.
    ZString copy(text);
    if (!copy.Text())
        return 0;
    const int result = ParseDuration(copy.Text());
    text = copy;
    return result;
}

bool ZTime::ParseTypedDuration(const ZString& text, ZTime& length)
{
    std::string typed = text.ToUtf8();
    for (char& c : typed)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const double kMaxSeconds = kMaxTypedYears * 365.25 * 86400;
    if (const long long minutes = HoursAndMinutes(typed); minutes >= 0) {
        if (minutes * 60.0 > kMaxSeconds)
            return false;
        length = ZTime();
        length.AddMinutes(static_cast<LONG>(minutes));
        return true;
    }
    const double seconds = UnitTextSeconds(typed);
    if (seconds < 0 || seconds > kMaxSeconds)
        return false;
    ZString copy(text);
    ZTime parsed;
    if (!parsed.ParseDuration(copy))
        return false;
    length = parsed;
    return true;
}
