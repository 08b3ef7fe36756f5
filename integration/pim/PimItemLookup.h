#pragma once
// Finding the item kestrin-pim hands over: a contact, event or task named by
// its file or its UID, looked up in the address-book, calendar and task
// folders, with the 32-bit object id the address book gives it. Plain
// functions; one thread.

#include "WinTypes.h"

#include <string>

struct PimItemRef {
    DWORD kind = 0; // PIM_KIND_CONTACT, PIM_KIND_APPOINTMENT or PIM_KIND_TASK
    DWORD oid = 0;
};

// The item of `uid` of that kind; false with `error` set when there is none.
bool FindPimItemByUid(DWORD kind, const std::string& uid, PimItemRef& item, std::string& error);
// The item a .vcf or .ics file holds (its first card or component); false
// with `error` set when the file cannot be read or its item is not in the
// folders.
bool FindPimItemByFile(const std::string& file, PimItemRef& item, std::string& error);
