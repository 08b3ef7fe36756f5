#pragma once
// ContactLink: a stored contact (an entry's DbAItem: object id, file-as
// name, company) and the live contact of the address book it refers to.
//
// Finding: the stored id counts only when the contact with that id still has
// the stored file-as name (ignoring case): an entry restored or beamed from
// another device carries that device's ids, and the same id here may be
// somebody else. Otherwise the first contact whose file-as name and company
// both equal the stored ones (ignoring case; an empty company matches an
// empty one) is the contact, and its id replaces the stored one. Names are
// compared as values, never put into query text.
//
// Adding: a contact the address book lacks is written to it with the stored
// file-as name split into first and last name (SplitContactName) and the
// stored company; the new id replaces the stored one.
//
// Plain functions over a PimStore the caller has logged on; one thread.

#include "DbAItem.h"
#include "PimStore.h"

#include <string>

struct ContactName {
    std::u16string first;
    std::u16string last;
};

// "Smith, John": last "Smith", first "John"; "John Smith": first "John",
// last "Smith"; a name with neither a comma nor a space after its first
// character is both. Spaces after the comma or space are dropped.
ContactName SplitContactName(std::u16string_view fileAs);

// The live contact `item` refers to, or null. When found by name, the item
// takes the contact's id and *relinked (when given) is set.
// `trimTrailingSpaces`: the stored name is looked up without its trailing
// spaces (showing a contact does so).
const PimContact* FindStoredContact(
    PimStore& store, DbAItem& item, bool* relinked = nullptr, bool trimTrailingSpaces = false);

// Adds the stored contact to the address book and gives the item the new
// id. Returns the new contact, or null with `error` set.
const PimContact* AddStoredContact(PimStore& store, DbAItem& item, std::string& error);

// The stored copy of a live contact: its id, file-as name and company.
DbAItem StoredContactOf(const PimContact& contact);
