#pragma once
// PimDataBlock: one contact, appointment or task of the address book carried
// into the entry editor, which then opens pre-filled with it (PIM mode): the
// date and entry type, the company, the subject for an appointment or task,
// and the contact itself (object id, name and company) when it is a contact.
// A new block holds zeros, empty texts, the tag "PIMDATA" and the entry type
// 6 ("Note"); ReadPimItem replaces them with the item's values.
//
// Plain value; UI thread (the store is the program's).

#include "WinTypes.h"

#include <string>

class PimStore;

struct PimDataBlock {
    static constexpr char16_t kTag[] = u"PIMDATA";

    DWORD itemOid = 0;
    std::u16string subject; // file-as name of a contact (not used), else the item's summary
    std::u16string company; // contacts only
    std::u16string contactName; // contacts only: the file-as name
    std::u16string fourthText; // a further text of the item (not used)
    ULONGLONG date = 0; // local ticks; 0 for a contact or an item without a date
    ULONGLONG secondDate = 0; // not used
    std::u16string tag = kTag;
    DWORD furtherValue = 0; // not used
    SHORT entryType = 6; // "Note" until the item is read
    int kind = 0; // 0 contact, 1 appointment, 2 task
};

// Reads item `oid` of `kind` (0 contact, 1 appointment, 2 task) from the
// store, which must be logged on, into `block`. False (block as it was) when
// the store has no such item of that kind.
bool ReadPimItem(PimStore& store, int kind, DWORD oid, PimDataBlock& block);
