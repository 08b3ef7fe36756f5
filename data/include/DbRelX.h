#pragma once
// DbRelX: the relation index "DbRelX" (type 22438) kept beside the journal.
// One record per contact name and one per category name that any entry
// uses, each holding the OIDs of those entries and a use count; the tree
// view builds its contact and category branches from it. A name may exist
// twice, once per kind (KIND_CONTACT, KIND_CATEGORY); names match ignoring
// case. Entries without contacts (categories) are listed under the contact
// (category) named "None".
//
// The OID list is the truth: the stored 16-bit count is derived from it on
// every change (it stops at 32767 for very long lists), and a record is
// removed exactly when its list becomes empty.
//
// Category changes also move the journal's use counter in the shared
// categories database, through a connection opened and closed per call.
// A member of DbKestrin, opened and closed with it. Not thread-safe; not
// copyable.

#include "DbAItem.h"
#include "DbCItem.h"
#include "ZCeDbase.h"
#include "ZOidsProp.h"
#include "ZString.h"

class DbRelX : public ZCeDbase {
public:
    static constexpr DWORD kDbType = 22438;

    DbRelX() = default;
    DbRelX(const DbRelX&) = delete;
    DbRelX& operator=(const DbRelX&) = delete;
    // Does not close the database (its owner does).
    ~DbRelX() override = default;

    // Opens "DbRelX", creating it first when missing, in the sort order
    // last set. 1 opened, 0 failed.
    BOOL Open(HWND notifyWindow);
    // The relation record of that name and kind, 0 if none or `name` is null.
    CEOID Find(LPCWSTR name, DWORD kind);
    // The kind of record `oid`; 0xFFFFFFFF when `oid` is 0 or unreadable.
    DWORD GetType(CEOID oid);
    // Number of relation records of that kind.
    DWORD GetCount(DWORD kind);
    // The name and OID list of record `oid` when it is of kind `kind`; both
    // outputs are emptied first. True when a name was read.
    BOOL GetText(CEOID oid, ZString& name, ZOidsProp& list, DWORD kind);
    // The OID list of the record of that name and kind. True when found.
    BOOL GetOidList(LPCWSTR name, ZOidsProp& list, DWORD kind);

    // Adds entry `entry` to the contact's record (created when missing).
    // True when the record was written.
    BOOL IncContactUse(CEOID entry, const DbAItem* item);
    // Removes `entry` from the contact's record; the record goes when no
    // entry is left. True when written or deleted.
    BOOL DecContactUse(CEOID entry, const DbAItem* item);
    // Finds or adds the category in the shared categories database (a "None"
    // category is added hidden), stores its OID in `item`, raises the
    // journal's counter there, and adds `entry` to the category's record.
    // True when the relation record was written (or, failing that, the
    // counter).
    BOOL IncCategoryUse(CEOID entry, DbCItem* item);
    // Lowers the journal's counter of the category (found by the item's OID,
    // or by name when the item carries none) and removes `entry` from the
    // category's record (which goes when no entry is left).
    BOOL DecCategoryUse(CEOID entry, const DbCItem* item);

private:
    BOOL AddUse(CEOID entry, LPCWSTR name, DWORD kind);
    BOOL RemoveUse(CEOID entry, LPCWSTR name, DWORD kind);
};
