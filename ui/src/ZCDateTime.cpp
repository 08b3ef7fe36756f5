#include "ZCDateTime.h"

#include <QDateTimeEdit>

QWidget* ZCDateTime::CreateWidget(QWidget* parent)
{
    auto* picker = new QDateTimeEdit(parent);
    picker->setCalendarPopup(true);
    return picker;
}

QDateTimeEdit* ZCDateTime::Picker() const
{
    return qobject_cast<QDateTimeEdit*>(GetHandle());
}

BOOL ZCDateTime::GetSystemTime(ZTime& time) const
{
    const QDateTimeEdit* picker = Picker();
    if (!picker)
        return FALSE;
    const QDateTime shown = picker->dateTime();
    SYSTEMTIME value {};
    value.wYear = static_cast<WORD>(shown.date().year());
    value.wMonth = static_cast<WORD>(shown.date().month());
    value.wDay = static_cast<WORD>(shown.date().day());
    value.wDayOfWeek = static_cast<WORD>(shown.date().dayOfWeek() % 7);
    value.wHour = static_cast<WORD>(shown.time().hour());
    value.wMinute = static_cast<WORD>(shown.time().minute());
    value.wSecond = static_cast<WORD>(shown.time().second());
    value.wMilliseconds = static_cast<WORD>(shown.time().msec());
    return time.FromSystemTime(value) ? TRUE : FALSE;
}

BOOL ZCDateTime::SetSystemTime(const ZTime& time)
{
    QDateTimeEdit* picker = Picker();
    if (!picker)
        return FALSE;
    const SYSTEMTIME value = time.ToSystemTime();
    const QDateTime shown(QDate(value.wYear, value.wMonth, value.wDay),
        QTime(value.wHour, value.wMinute, value.wSecond, value.wMilliseconds));
    if (!shown.isValid() || shown < picker->minimumDateTime() || shown > picker->maximumDateTime())
        return FALSE;
    picker->setDateTime(shown);
    return TRUE;
}

void ZCDateTime::SetFormat(const QString& pattern)
{
    if (QDateTimeEdit* picker = Picker())
        picker->setDisplayFormat(pattern);
}
