#pragma once
// Finding the item kestrin-pim hands over: a contact, event or task named by
// its file or its UID, with the 32-bit object id the address book gives its
// UID. A file from outside the address-book, calendar and task folders is
// copied into the folder of its kind first (as "<UID>.vcf" or "<UID>.ics",
// never over another file), so that the program finds the item there.
// Plain functions; one thread.

#include "WinTypes.h"

#include <string>

struct PimItemRef {
    DWORD kind = 0; // PIM_KIND_CONTACT, PIM_KIND_APPOINTMENT or PIM_KIND_TASK
    DWORD oid = 0;
};

// The item of `uid` of that kind; false with `error` set when there is none.
bool FindPimItemByUid(DWORD kind, const std::string& uid, PimItemRef& item, std::string& error);
// The item a .vcf or .ics file holds (its first card, event or task); false
// with `error` set when the file cannot be read, holds no item or cannot be
// added to its folder.
bool FindPimItemByFile(const std::string& file, PimItemRef& item, std::string& error);
