#pragma once
// ZCeDbase: one record database of the object store, opened by name, with
// the store's cursor inside it. It creates, opens, closes and deletes the
// database, moves the cursor, reads and writes the record under it, deletes
// records, changes the sort orders, finds records by text or by day, and
// reports failures in the "CE Database Error" box. Every database class of
// the journal derives from it.
//
// Results are plain integers: record OIDs (0 = none or failure), 1/0, counts;
// nothing throws. Failures are shown where they happen (a message box through
// the UI hooks, with the last error, a site number and the source unit) and
// passed up only as the 0 result. The failures of normal use stay silent:
// probing sort properties on open (87), probing existence (2), reading past
// the end (259) and reading a record deleted meanwhile (1018).
//
// Ownership: the object owns its database handle while open; the destructor
// does NOT close it (derived classes close themselves). Buffers returned by
// ReadProps belong to the caller, who frees them with LocalFree, also after
// a failed read. Copying copies the fields (the handle is then shared; one
// owner closes it). One thread uses an object at a time.

#include "CeDatabase.h"
#include "CeDbTypes.h"

#include <functional>

class ZTime;

class ZCeDbase {
public:
    // Where a failure was reported (the second number of the error box).
    enum Site : WORD {
        kSiteExists = 54,
        kSiteOpen = 84,
        kSiteCreate = 108,
        kSiteDelete = 151,
        kSiteInfo = 189,
        kSiteParent = 204,
        kSiteDeleteRecord = 323,
        kSiteWrite = 481,
        kSiteReadParameter = 511,
        kSiteReadBuffer = 523,
        kSiteRead = 538,
        kSiteReopen = 595,
        kSiteBatchBegin = 640,
        kSiteBatchCommit = 641,
    };
    // The source unit named in this class's error boxes.
    static constexpr const WCHAR* kUnit = u"cedbase";

    ZCeDbase() = default;
    ZCeDbase(const ZCeDbase&) = default;
    ZCeDbase& operator=(const ZCeDbase&) = default;
    virtual ~ZCeDbase() = default;

    // Creates the database and remembers its OID (the database is not
    // opened). TRUE if created; FALSE after the box of site 108.
    virtual BOOL Create(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* sortOrders);
    // Opens the database in the order of `sortProp` (0: creation order) with
    // `notifyWindow` (null or a DbNotifyTarget) as the target of change
    // notifications; a handle this object still had open is closed first.
    // FALSE when it cannot be opened: silently when `sortProp` is not one of
    // the database's sort orders (so callers can probe one after another),
    // else after the box of site 84. Handle, OID and window are then cleared.
    virtual BOOL OpenDb(LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notifyWindow);
    // TRUE if a handle was open and is closed now (fields cleared); FALSE
    // otherwise, with the fields left as they were.
    virtual BOOL Close();
    // Deletes database `oid`; 0 means this database, which is closed first
    // (through the virtual Close). FALSE after the box of site 151.
    virtual BOOL DeleteDb(CEOID oid);
    // Replaces the sort orders with `count` specifications and reopens the
    // database in the first of them. Returns the reopen's result, 0 on
    // failure: a refused change shows the system's text for the error in a
    // "Database Error" box and reopens the database in the order it had.
    virtual BOOL SetSortOrder(const SORTORDERSPEC* sortOrders, WORD count);
    // Copies the sort orders into `out` (room for CEDB_MAXSORTORDER) and
    // returns how many; 0 when the database information cannot be read.
    virtual int GetSortOrders(SORTORDERSPEC* out);
    // TRUE if a database of that name exists; a missing one is silent, other
    // failures show the box of site 54.
    virtual BOOL Exists(LPCWSTR name);
    virtual CEOID GetOid();
    // The database holding record `oid`; 0 when it is no record (or without
    // an open database: box of site 204).
    virtual CEOID GetParentOid(CEOID oid);
    // The store's information on this database; needs it open (else the box
    // of site 189 and FALSE).
    virtual BOOL GetInfo(CEOIDINFO* info);
    // Shows "Error: <last error>(<site>)\n<unit>" titled "CE Database Error"
    // with the exclamation icon and OK. Returns the box's answer; the last
    // error is kept.
    virtual int ReportError(WORD site, LPCWSTR unit);

    // Cursor moves; each returns the OID of the record reached, 0 if none.
    virtual CEOID SeekOid(CEOID oid);
    virtual CEOID SeekIndex(DWORD index);
    virtual CEOID SeekFirst();
    virtual CEOID SeekCurrent();
    virtual CEOID SeekNext();
    virtual CEOID SeekPrev();
    // The first record whose value of the current sort property equals
    // `value` (compared as the sort order compares).
    virtual CEOID SeekValueFirst(const CEPROPVAL* value);
    // The record right after `start` (0: after the cursor) if its value
    // equals `value`.
    virtual CEOID SeekValueNext(CEOID start, const CEPROPVAL* value);

    // The first record, from the first one / from the one after `start`,
    // whose file time `prop` falls on the same local calendar day as `day`.
    virtual CEOID FindDay(CEPROPID prop, const ZTime& day);
    virtual CEOID FindDayFrom(CEOID start, CEPROPID prop, const ZTime& day);
    // The first record whose text `prop` contains `text` (ignoring case
    // unless `caseSensitive`); records without the text or with an empty one
    // never match.
    virtual CEOID FindText(CEPROPID prop, LPCWSTR text, BOOL caseSensitive);
    virtual CEOID FindTextFrom(CEOID start, CEPROPID prop, LPCWSTR text, BOOL caseSensitive);

    // Deletes record `oid` (box of site 323 on failure); afterwards the
    // cursor is on the first record in either case.
    virtual BOOL DeleteRecord(CEOID oid);
    // The number of records as the store's 16-bit count (at most 65,535;
    // see GetRecordCount32).
    virtual int GetRecordCount();
    // Reads the record under the cursor: the `*count` properties of `ids`, or
    // all of them when the first id is 0 (then pass a count of 0). *buffer
    // (null or a local-heap block, grown as needed) receives the values and
    // belongs to the caller. Returns the record's OID; 0 after the box of
    // site 511/523/538, or silently past the end or for a deleted record.
    virtual CEOID ReadProps(WORD* count, const CEPROPID* ids, LPBYTE* buffer);
    // Writes `count` values into record `oid` (0: a new record). Returns the
    // record's OID; 0 after the box of site 481.
    virtual CEOID WriteProps(CEOID oid, WORD count, const CEPROPVAL* values);
    // The position of record `oid` in the current order; 0xFFFFFFFF when it
    // is not a record of this database.
    virtual DWORD GetOidIndex(CEOID oid);
    virtual HANDLE GetHandle();

    // The full number of records (no 16-bit limit); 0 without an open
    // database (box of site 189).
    DWORD GetRecordCount32();
    // The notify window given to the last OpenDb.
    HWND GetNotifyWindow() const { return m_notifyWindow; }
    // Runs `work` in one store transaction: everything it writes is kept if
    // it returns non-zero and the commit succeeds, else nothing of it.
    // Returns work's result, 0 when it was rolled back (a failed begin or
    // commit shows the box of site 640 or 641).
    BOOL RunBatch(const std::function<BOOL()>& work);

protected:
    // Flag of the derived classes (cleared while probing sort orders, set
    // while the categories class scans counters); never read here.
    int m_busy = 0;

private:
    HANDLE m_handle = nullptr;
    CEOID m_oid = 0;
    HWND m_notifyWindow = nullptr;
    // The sort property the database is open in (restored after a refused
    // sort change).
    CEPROPID m_sortProp = 0;
};
