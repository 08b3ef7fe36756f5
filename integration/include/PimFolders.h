#pragma once
// PimFolders: where the address book, the calendar and the task list live:
// three vdir folders (one .vcf per contact, one .ics per event or task). The
// paths are settings of the section "Options" of the profile key
// ("ContactsFolder", "CalendarFolder", "TasksFolder", the names the address
// book reads them by); a missing or empty value means the default under the
// data folder ("contacts", "calendar", "tasks").
// Paths are read and written whole, whatever their length.
//
// Plain functions over the registry; every call reads the store anew. Any
// thread that may use the registry.

#include "WinTypes.h"

#include <filesystem>

struct PimFolders {
    enum Kind { kContacts, kCalendar, kTasks };

    std::filesystem::path contacts;
    std::filesystem::path calendar;
    std::filesystem::path tasks;

    const std::filesystem::path& Folder(Kind kind) const;
};

// The setting's value name for one folder ("ContactsFolder", ...).
LPCWSTR PimFolderValueName(PimFolders::Kind kind);
// The default folder of a kind under the current data folder.
std::filesystem::path DefaultPimFolder(PimFolders::Kind kind);
// The folders as set (defaults for those not set).
PimFolders ReadPimFolders();
// Stores one folder; an empty path removes the setting (the default again).
// True when written.
bool WritePimFolder(PimFolders::Kind kind, const std::filesystem::path& folder);
