#pragma once
// Date and time pictures in the platform's notation ("MM/dd/yy",
// "ddd, MMM d yyyy gg", "hh:mm tt") and their formatting with a locale's
// names. The locale's own pictures come from QLocale in Qt's notation and are
// translated first, so every date text goes through one formatter.
// Pure functions; thread-safe.

#include "WinTypes.h"

#include <QLocale>
#include <QString>

#include <string_view>

enum class PictureKind {
    Date, // d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g gg
    Time, // h hh H HH, m mm, s ss, t tt
};

// The era of every Gregorian date, as the platform's English locale writes it.
inline constexpr char16_t kEraText[] = u"A.D.";

// Formats `time` with `picture`: the picture letters of `kind` are replaced,
// text in single quotes is copied without them ('' gives one quote), and
// every other character is copied.
QString FormatPicture(
    std::u16string_view picture, const SYSTEMTIME& time, PictureKind kind, const QLocale& locale);

// The platform picture for a date or time format in Qt's notation: h without
// AP becomes H, AP/ap become tt, milliseconds and time zones are dropped, and
// letters meant literally are quoted. With `dropSeconds` the seconds and the
// separator before them are removed too.
std::u16string PictureFromQt(const QString& qtFormat, bool dropSeconds);
