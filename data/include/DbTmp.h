#pragma once
// DbTmp: a record database with the journal's record layout, and the three
// operations that turn an entry record into a property set and back:
// Initialize (the eleven entry fields), Read (fill them from a record),
// Write (store a set as a record). The journal and the backup restore use
// the same operations on their own databases through the static forms.
//
// DbTmp can open a database of its own, "DbTmp" (type 22436, Date
// descending), created on first use. Not thread-safe; not copyable (it holds
// an open database handle).

#include "ZCeDbase.h"
#include "ZJITEMS.h"

class DbTmp : public ZCeDbase {
public:
    static constexpr DWORD kDbType = 22436;

    DbTmp() = default;
    DbTmp(const DbTmp&) = delete;
    DbTmp& operator=(const DbTmp&) = delete;
    ~DbTmp() override = default;

    // Opens "DbTmp", creating it first when missing. True if opened.
    BOOL Open();

    // Appends the eleven entry fields (tab 0, their ids, labels, control
    // types and flags, no default text) to whatever the set holds. Returns
    // the set's item count; 0 for a null set. Uses no database.
    static int Initialize(ZJITEMS* set);
    // Initialize(set), then fills the fields from record `oid` of this
    // database. Returns `oid`, or 0 when the record does not exist, cannot be
    // read, or the set is null (the fields keep their initial values).
    CEOID Read(CEOID oid, ZJITEMS* set) { return ReadRecord(*this, oid, set); }
    // Writes the stored fields (item type 1) of the set, in set order, into
    // record `oid` (0 = a new record). Returns the OID written; 0 for a null
    // or empty set or on failure.
    CEOID Write(CEOID oid, ZJITEMS* set) { return WriteRecord(*this, oid, set); }

    // The same on any open database of the journal's layout.
    static CEOID ReadRecord(ZCeDbase& db, CEOID oid, ZJITEMS* set);
    static CEOID WriteRecord(ZCeDbase& db, CEOID oid, ZJITEMS* set);
};
