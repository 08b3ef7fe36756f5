#include "DatePicture.h"

#include <QChar>

namespace {

bool IsPictureLetter(char16_t ch, PictureKind kind)
{
    if (kind == PictureKind::Date)
        return ch == u'd' || ch == u'M' || ch == u'y' || ch == u'g';
    return ch == u'h' || ch == u'H' || ch == u'm' || ch == u's' || ch == u't';
}

QString Padded(int value, int count)
{
    return QString::number(value).rightJustified(count >= 2 ? 2 : 1, u'0');
}

// Qt numbers days Monday = 1 .. Sunday = 7; the system time Sunday = 0.
int QtDayOfWeek(const SYSTEMTIME& time)
{
    return time.wDayOfWeek == 0 ? 7 : time.wDayOfWeek;
}

QString DateElement(char16_t letter, int count, const SYSTEMTIME& time, const QLocale& locale)
{
    switch (letter) {
    case u'd':
        if (count >= 3)
            return locale.dayName(QtDayOfWeek(time), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
        return Padded(time.wDay, count);
    case u'M':
        if (count >= 3)
            return locale.monthName(time.wMonth, count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
        return Padded(time.wMonth, count);
    case u'y':
        if (count >= 3)
            return QString::number(time.wYear);
        return Padded(time.wYear % 100, count);
    default: // g, gg
        return QString::fromUtf16(kEraText);
    }
}

QString TimeElement(char16_t letter, int count, const SYSTEMTIME& time, const QLocale& locale)
{
    switch (letter) {
    case u'h':
        return Padded(time.wHour % 12 == 0 ? 12 : time.wHour % 12, count);
    case u'H':
        return Padded(time.wHour, count);
    case u'm':
        return Padded(time.wMinute, count);
    case u's':
        return Padded(time.wSecond, count);
    default: { // t, tt
        const QString designator = time.wHour < 12 ? locale.amText() : locale.pmText();
        return count == 1 ? designator.left(1) : designator;
    }
    }
}

// The extent of a quoted run starting at `open` (a quote): the text inside
// with '' read as one quote, and the index after the closing quote (or the
// end when it is missing).
std::size_t CopyQuoted(std::u16string_view picture, std::size_t open, QString& out)
{
    std::size_t i = open + 1;
    while (i < picture.size()) {
        if (picture[i] == u'\'') {
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            return i + 1;
        }
        out += QChar(picture[i++]);
    }
    return i;
}

std::size_t RunLength(std::u16string_view text, std::size_t at)
{
    std::size_t end = at;
    while (end < text.size() && text[end] == text[at])
        ++end;
    return end - at;
}

void AppendQuotedLiteral(std::u16string& out, char16_t ch)
{
    if (ch == u'\'')
        out += u"''";
    else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z'))
        out += std::u16string { u'\'', ch, u'\'' };
    else
        out += ch;
}

// Removes the separators that end `picture` (": " before dropped seconds).
void DropTrailingSeparators(std::u16string& picture)
{
    while (!picture.empty() && picture.back() != u'\'' && !QChar::isLetter(picture.back()))
        picture.pop_back();
}

} // namespace

QString FormatPicture(
    std::u16string_view picture, const SYSTEMTIME& time, PictureKind kind, const QLocale& locale)
{
    QString out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char16_t ch = picture[i];
        if (ch == u'\'' && i + 1 < picture.size() && picture[i + 1] == u'\'') {
            out += u'\'';
            i += 2;
        } else if (ch == u'\'') {
            i = CopyQuoted(picture, i, out);
        } else if (IsPictureLetter(ch, kind)) {
            const auto count = static_cast<int>(RunLength(picture, i));
            out += kind == PictureKind::Date ? DateElement(ch, count, time, locale)
                                             : TimeElement(ch, count, time, locale);
            i += static_cast<std::size_t>(count);
        } else {
            out += QChar(ch);
            ++i;
        }
    }
    return out;
}

std::u16string PictureFromQt(const QString& qtFormat, bool dropSeconds)
{
    const std::u16string_view format(
        reinterpret_cast<const char16_t*>(qtFormat.utf16()), static_cast<std::size_t>(qtFormat.size()));
    const bool twelveHour = qtFormat.contains(u"ap", Qt::CaseInsensitive);
    std::u16string picture;
    std::size_t i = 0;
    while (i < format.size()) {
        const char16_t ch = format[i];
        const std::size_t run = RunLength(format, i);
        if (ch == u'\'' && run >= 2) {
            picture += u"''";
            i += 2;
            continue;
        }
        if (ch == u'\'') {
            QString literal;
            i = CopyQuoted(format, i, literal);
            for (const QChar c : literal)
                AppendQuotedLiteral(picture, c.unicode());
            continue;
        }
        if (ch == u's' && dropSeconds) {
            DropTrailingSeparators(picture);
        } else if (ch == u'd' || ch == u'M' || ch == u'y' || ch == u'm' || ch == u's' || ch == u'H') {
            picture.append(run, ch);
        } else if (ch == u'h') {
            picture.append(run, twelveHour ? u'h' : u'H');
        } else if ((ch == u'a' || ch == u'A') && i + 1 < format.size()
            && (format[i + 1] == u'p' || format[i + 1] == u'P')) {
            picture += u"tt";
            i += 2;
            continue;
        } else if (ch == u'a' || ch == u'A') {
            picture += u"tt";
        } else if (ch == u'z' || ch == u't') {
            // Milliseconds and time zones: the platform's pictures have none.
        } else if (ch == u'\u202F' || ch == u'\u00A0') {
            // Newer locale data puts no-break spaces before AM/PM; texts built
            // from these are padded and aligned with plain spaces.
            picture.append(run, u' ');
        } else {
            for (std::size_t k = 0; k < run; ++k)
                AppendQuotedLiteral(picture, ch);
        }
        i += run;
    }
    while (!picture.empty() && picture.back() == u' ')
        picture.pop_back();
    return picture;
}
