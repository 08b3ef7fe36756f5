#pragma once
// AddressBook: the process's one address book (with the calendar and task
// lists), a PimStore on the folders the settings name. Keeping one store per
// process keeps what it read, so opening the contact picker again reads only
// the cards that changed.
//
// Settings, in section "Options": "ContactsFolder", "CalendarFolder",
// "TasksFolder" (texts, any length); an empty or missing value means the
// data folder's "contacts", "calendar" and "tasks".
//
// Tests may put a store of their own in place (Replace). One thread.

#include "PimStore.h"
#include "VdirPimStore.h"
#include "ZRegistry.h"

class AddressBook {
public:
    static constexpr WCHAR kSection[] = u"Options";
    static constexpr WCHAR kContactsFolder[] = u"ContactsFolder";
    static constexpr WCHAR kCalendarFolder[] = u"CalendarFolder";
    static constexpr WCHAR kTasksFolder[] = u"TasksFolder";

    // The folders the settings name now.
    static VdirPimStore::Folders Folders(ZRegistry& settings);
    // The store, on the folders the settings name now (a changed setting is
    // followed), or the one Replace put in place.
    static PimStore& Store(ZRegistry& settings);
    // Puts `store` (not owned) in place of the folders' store; null returns
    // to it.
    static void Replace(PimStore* store);
};
