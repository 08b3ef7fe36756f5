#pragma once
// PimCalendarItem: one event or task of the calendar and task folders, as
// read from its .ics file: what the journal takes from such an item (its
// subject, its date, a further text). Plain value; any thread.

#include "WinTypes.h"

#include <filesystem>
#include <string>

struct PimCalendarItem {
    DWORD oid = 0;
    bool isTask = false;
    std::u16string uid;
    std::u16string summary;
    std::u16string location;
    std::u16string description;
    // Local time of the event's start, or the task's due date (else its
    // start); hasDate false when the item has neither.
    bool hasDate = false;
    SYSTEMTIME date {};
    std::filesystem::path file;
};
