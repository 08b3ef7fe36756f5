#include "StringTable.h"

#include "SortedTable.h"

namespace {

struct StringResource {
    UINT id;
    LPCWSTR text;
};

// Sorted by id. Keep one entry per id; add new texts in order.
constexpr StringResource kStrings[] = {
    { 40007, u"All" },
    { 40010, u"Kestrin Entry" },
    { 40013, u"Password" },
    { 40014, u"Confirm Deletes" },
    { 40015, u"Subjects" },
    { 40016, u"New Password" },
    { 40017, u"Re-Enter Password" },
    { 40018, u"Enter Password" },
    { 40020, u"Options" },
    { 40021, u"Edit Categories..." },
    { 40022, u"Edit Quick Subjects..." },
    { 40023, u"Categories" },
    { 40027, u"Preview Pane" },
    { 40032, u"Date Format" },
    { 40033, u"Skin" },
    { 40034, u"Plum Fairy" },
    { 40035, u"Checkup..." },
    { 40040, u"Filter Active! - Only Filtered records will be backed up if you proceed.\n\nContinue?" },
    { 40043,
        u"This contact\n\n%s\n%s\n\nis not in pocket Outlook. You must add it to pocket Outlook if you "
        u"wish to use it in Kestrin.\n\nAdd Contact to pocket Outlook?" },
    { 40044,
        u"Cannot Display Contact.\n\nThis contact is not in the pocket Outlook contacts database. To "
        u"correct this, open your Kestrin entry and reassign this contact to it." },
    { 40046,
        u"Failed to initialize Common Object Model. A module required to interface with "
        u"pocketOutlook.\nProgram exiting." },
    { 40047, u"Failed to initialize pocket Outlook.\nProgram exiting." },
    { 40048, u"Failed to logon to pocket Outlook.\nProgram exiting." },
    { 40050, u"Incorrect Password.\nAccess Denied!" },
    { 40053, u"Can't create Kestrin entry for Contact." },
    { 40054, u"Can't create Kestrin entry for Task." },
    { 40055, u"Can't create Kestrin entry for Appointment." },
    { 40059, u"An error occurred while opening the Ozm Kestrin database." },
    { 40062, u"Password Active\n" },
    { 40063, u"Inconsistently Entered Passwords. Password NOT Active" },
    { 40064, u"Error Displaying Skin" },
    // Also the command id of the Tools menu item that carries this caption.
    { 40069, u"Receive via Infrared..." },
    { 40085, u"Maintenance" },
    // The list's date pictures; the "Date Format" setting stores one of these ids.
    { 40160, u"MM/dd/yy" },
    { 40161, u"M/d/yy" },
    { 40162, u"dd-MM-yy" },
    { 40163, u"dd.MM.yy" },
    { 40164, u"MMM d" },
    { 40165, u"MMM d yy" },
    { 40166, u"d MMM" },
    { 40167, u"d MMM yy" },
    { 40168, u"d MMM yyyy" },
};

static_assert(
    IsStrictlyAscending(kStrings, &StringResource::id), "string table ids must be unique and ascending");

} // namespace

LPCWSTR FindStringResource(UINT id)
{
    const StringResource* found = FindByKey(kStrings, &StringResource::id, id);
    return found ? found->text : nullptr;
}
