#pragma once
// ZCDateTime: a date or time picker (QDateTimeEdit) read and set as ZTime,
// the system's local time, with the display pattern of the date formats
// ("MM/dd/yy", "d MMM yyyy"...). UI thread only.

#include "ZTime.h"
#include "ZWindow.h"

class QDateTimeEdit;

class ZCDateTime : public ZWindow {
public:
    QDateTimeEdit* Picker() const;
    // The time shown; 0 (and the ZTime unset) without a window.
    BOOL GetSystemTime(ZTime& time) const;
    // Shows `time`; 0 when it is outside what the picker can show.
    BOOL SetSystemTime(const ZTime& time);
    // The display pattern, in the system's date-format letters.
    void SetFormat(const QString& pattern);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
};
