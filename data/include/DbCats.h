#pragma once
// DbCats: the shared categories database opened sorted by name, with
// reading and writing of one category record through a list of DbCItem
// (each item takes the property with its own id). Not thread-safe; not
// copyable.

#include "DbCItem.h"
#include "TSList.h"
#include "ZDbCategories.h"

class DbCats : public ZDbCategories {
public:
    DbCats() = default;
    DbCats(const DbCats&) = delete;
    DbCats& operator=(const DbCats&) = delete;
    ~DbCats() override = default;

    // OpenCategories(name property, window).
    BOOL Open(HWND notifyWindow);
    // Appends one new DbCItem for the name property; returns the list's
    // count (0 for a null list). The caller owns the items of its list.
    static int Initialize(TSList<DbCItem>* list);
    // Reads record `oid` and gives every property to every item of the list.
    // Items of the name property also take the record's OID and name.
    // Returns the OID read; 0 when missing, unreadable or the list is null.
    CEOID Read(CEOID oid, TSList<DbCItem>* list);
    // Writes the stored items (item type 1) as record `oid` (0 = new).
    // Returns the OID written; 0 for an empty list or on failure.
    CEOID Write(CEOID oid, TSList<DbCItem>* list);
};
