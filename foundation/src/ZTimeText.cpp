// The date and time texts of ZTime: the locale's pictures and names through
// one picture formatter, delivered into a caller's buffer or a ZString.

#include "ZTime.h"

#include "DatePicture.h"
#include "ZString.h"

#include <QLocale>
#include <QString>

#include <cstring>

namespace {

// Writes `text` with its terminator into a buffer of `capacity` WCHARs and
// returns its length; a text that does not fit gives the empty text, as a
// failed platform formatting does.
int Deliver(const QString& text, LPWSTR buffer, int capacity)
{
    if (!buffer)
        return 0;
    const auto length = static_cast<int>(text.size());
    if (length >= capacity) {
        buffer[0] = 0;
        return 0;
    }
    std::memcpy(buffer, text.utf16(), static_cast<std::size_t>(length) * sizeof(WCHAR));
    buffer[length] = 0;
    return length;
}

void Deliver(const QString& text, ZString& out, int capacity)
{
    out = ZString::FromQString(text.size() < capacity ? text : QString());
}

QString FormatDatePicture(const ZTime& time, std::u16string_view picture)
{
    return FormatPicture(picture, time.ToSystemTime(), PictureKind::Date, QLocale());
}

QString ShortDateText(const ZTime& time)
{
    return FormatDatePicture(time, PictureFromQt(QLocale().dateFormat(QLocale::ShortFormat), false));
}

QString LongDateText(const ZTime& time)
{
    return FormatDatePicture(time, PictureFromQt(QLocale().dateFormat(QLocale::LongFormat), false));
}

QString TimeWithoutSeconds(const ZTime& time)
{
    return FormatPicture(PictureFromQt(QLocale().timeFormat(QLocale::ShortFormat), true), time.ToSystemTime(),
        PictureKind::Time, QLocale());
}

QString DateAndTime(const ZTime& time)
{
    return ShortDateText(time) + u' ' + TimeWithoutSeconds(time);
}

} // namespace

int ZTime::ShortDate(LPWSTR buffer) const
{
    return Deliver(ShortDateText(*this), buffer, kShortTextChars);
}

void ZTime::ShortDate(ZString& text) const
{
    Deliver(ShortDateText(*this), text, kShortTextChars);
}

int ZTime::LongDate(LPWSTR buffer) const
{
    return Deliver(LongDateText(*this), buffer, kLongTextChars);
}

void ZTime::LongDate(ZString& text) const
{
    Deliver(LongDateText(*this), text, kLongTextChars);
}

int ZTime::TimeText(LPWSTR buffer) const
{
    return Deliver(TimeWithoutSeconds(*this), buffer, kShortTextChars);
}

void ZTime::TimeText(ZString& text) const
{
    Deliver(TimeWithoutSeconds(*this), text, kShortTextChars);
}

int ZTime::DateTimeText(LPWSTR buffer) const
{
    return Deliver(DateAndTime(*this), buffer, kLongTextChars);
}

void ZTime::DateTimeText(ZString& text) const
{
    Deliver(DateAndTime(*this), text, kLongTextChars);
}

int ZTime::DayName(LPWSTR buffer) const
{
    return Deliver(FormatDatePicture(*this, u"dddd"), buffer, kLongTextChars);
}

void ZTime::DayName(ZString& text) const
{
    Deliver(FormatDatePicture(*this, u"dddd"), text, kLongTextChars);
}

int ZTime::ShortDayName(LPWSTR buffer) const
{
    return Deliver(FormatDatePicture(*this, u"ddd"), buffer, kLongTextChars);
}

void ZTime::ShortDayName(ZString& text) const
{
    Deliver(FormatDatePicture(*this, u"ddd"), text, kLongTextChars);
}

int ZTime::MonthName(LPWSTR buffer) const
{
    return Deliver(FormatDatePicture(*this, u"MMMM"), buffer, kLongTextChars);
}

void ZTime::MonthName(ZString& text) const
{
    Deliver(FormatDatePicture(*this, u"MMMM"), text, kLongTextChars);
}

int ZTime::ShortMonthName(LPWSTR buffer) const
{
    return Deliver(FormatDatePicture(*this, u"MMM"), buffer, kLongTextChars);
}

void ZTime::ShortMonthName(ZString& text) const
{
    Deliver(FormatDatePicture(*this, u"MMM"), text, kLongTextChars);
}

int ZTime::FormatDate(LPCWSTR picture, LPWSTR buffer) const
{
    if (!picture)
        return -1;
    return Deliver(FormatDatePicture(*this, picture), buffer, kShortTextChars);
}

void ZTime::FormatDate(LPCWSTR picture, ZString& text) const
{
    if (picture)
        Deliver(FormatDatePicture(*this, picture), text, kShortTextChars);
}

int ZTime::FormatTime(LPCWSTR picture, LPWSTR buffer) const
{
    if (!picture)
        return -1;
    return Deliver(
        FormatPicture(picture, ToSystemTime(), PictureKind::Time, QLocale()), buffer, kShortTextChars);
}

void ZTime::FormatTime(LPCWSTR picture, ZString& text) const
{
    if (picture)
        Deliver(FormatPicture(picture, ToSystemTime(), PictureKind::Time, QLocale()), text, kShortTextChars);
}
