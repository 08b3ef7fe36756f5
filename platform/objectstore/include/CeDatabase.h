#pragma once
// The record-database service: named databases of records, each record an
// array of typed properties, read and written through handles that hold a
// cursor. All calls go to the process's current object store (ObjectStore.h);
// when none has been opened, the first call opens the default one.
//
// Conventions of every call: failure is reported by the 0/FALSE/null result
// and the per-thread GetLastError:
//   2    no database of that name / OID
//   6    unknown or closed handle
//   32   in use: another handle has the database open (sort change, delete),
//        or another process holds the store's write lock too long
//   52   a database of that name exists already
//   87   invalid parameter (bad name, value type, sort property not among the
//        database's sort orders, seek type or value)
//   112  disk full (or the store's size limit reached); nothing was written
//   122  the read buffer is too small and reallocation was not allowed
//   259  no more items: the cursor is past the end, a seek ran off either end
//   1009 the store file is damaged or unreadable
//   1018 the record was deleted (or is not a record of this database)
// Handles are opaque and belong to the thread-serialised caller; all calls are
// serialised by one process-wide lock.
//
// Other processes may use the same store at the same time. Calls made within
// 20 ms of each other read one snapshot of the file, so changes another
// process commits show from the first call made after that; a write always
// works on the newest state.

#include "CeDbTypes.h"

// Creates a database with up to CEDB_MAXSORTORDER sort orders (name: 1..31
// UTF-16 units, unique ignoring case). Returns its OID, 0 on failure.
CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* sortOrders);

// Opens a database by name (or, when name is null, by *oid) in the sort order
// whose property is `sortProp` (0: in OID order, which is creation order).
// Sets *oid to the database's OID. The cursor starts on the first record.
// flags: 0 or CEDB_AUTOINCREMENT (each successful read moves the cursor on).
// notify: null or a DbNotifyTarget (DbNotifyTarget.h). Returns
// INVALID_HANDLE_VALUE on failure (2 missing, 87 sort property not one of the
// database's sort orders, 32 being changed by another process).
HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notify);

// Deletes a database and its records; fails with 32 while any handle (of
// this or another process) has it open.
BOOL CeDeleteDatabase(CEOID oid);

// Moves the cursor and returns the OID of the record it lands on (0 = none).
//   CEDB_SEEK_CEOID          value = record OID
//   CEDB_SEEK_BEGINNING      value = index from the first record
//   CEDB_SEEK_CURRENT        value = signed offset from the current record
//   CEDB_SEEK_END            value = 0 or a negative offset from the last
//   CEDB_SEEK_VALUEFIRSTEQUAL value = const CEPROPVAL* of the current sort
//                            property: first record with an equal value
//   CEDB_SEEK_VALUENEXTEQUAL the record right after the current one, if its
//                            value equals *value
// *index (may be null) receives the record's position in the current order.
// A position seek that runs off either end leaves the cursor past the end
// (259); a failed OID or value seek leaves the cursor where it was. Value
// equality follows the sort order (case-insensitive orders ignore case).
CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD_PTR value, DWORD* index);

// Reads the record under the cursor. ids: the properties wanted (*count of
// them); null, a *count of 0 or a first id of 0 reads all properties. A wanted
// property the record lacks comes back with CEDB_PROPNOTFOUND set.
// The result is ONE block: *count CEPROPVALs followed by the texts and blobs
// they point to. With CEDB_ALLOWREALLOC the block is taken from, or grown
// with, the local heap (*buffer may be null; its size is *bufferSize when
// bufferSize is not null, else LocalSize); the caller frees it with LocalFree,
// also after a failed read. Without the flag a too small buffer fails with
// 122 and *bufferSize tells the size needed. Returns the record's OID;
// 0 with 259 past the end, 1018 when the record was deleted meanwhile.
CEOID CeReadRecordProps(
    HANDLE db, DWORD flags, WORD* count, const CEPROPID* ids, LPBYTE* buffer, DWORD* bufferSize);

// Writes properties into record `oid` of the database (0 creates a record).
// Given properties replace the record's, others stay; a value flagged
// CEDB_PROPDELETE removes that property. The cursor does not move. Returns
// the record's OID, 0 on failure (87 bad value, 1018 no such record, 112).
CEOID CeWriteRecordProps(HANDLE db, CEOID oid, WORD count, const CEPROPVAL* values);

// Finds the first record, from the one under the cursor on in the handle's
// current order, whose text property `propid` contains `text`; unless
// caseSensitive, both are compared upper-cased code point by code point. A
// record lacking the property, or holding an empty text, never matches (not
// even an empty `text`). Moves the cursor onto the record found and returns
// its OID; 0 with 259 when none matches (the cursor is then past the end),
// 87 when `text` is null or `propid` is not a text property. Reads each
// record's text straight from the store, in file order, without building
// property arrays: far cheaper than reading record after record.
CEOID CeFindText(HANDLE db, CEPROPID propid, LPCWSTR text, BOOL caseSensitive);

// Deletes a record of the database. Handles whose cursor was on it read 1018
// from it and step on to its neighbours.
BOOL CeDeleteRecord(HANDLE db, CEOID oid);

// Changes name (CEDB_VALIDNAME), type (CEDB_VALIDTYPE), sort orders
// (CEDB_VALIDSORTSPEC: wNumSortOrder and rgSortSpecs replace all of them and
// every record is re-sorted) or last-modified time (CEDB_VALIDMODTIME). A
// sort change fails with 32 while any handle of this or another process has
// the database open.
BOOL CeSetDatabaseInfo(CEOID oid, const CEDBASEINFO* info);

// Database OID: OBJTYPE_DATABASE with name, type, record count (16-bit,
// capped at 65,535; see CeGetRecordCount), sort orders, size in bytes and
// last-modified time (UTC). Record OID: OBJTYPE_RECORD with its database.
BOOL CeOidGetInfo(CEOID oid, CEOIDINFO* info);

// The full number of records of the handle's database; 0xFFFFFFFF on failure.
DWORD CeGetRecordCount(HANDLE db);

// Closes a database handle. FALSE with 6 for anything else.
BOOL CloseHandle(HANDLE handle);

// One transaction for a batch of writes: all of them or none reach the file.
// Transactions nest; only the outermost commit writes. While a transaction is
// open this process holds the store's write lock (other processes wait).
// After a write inside it failed with 112 the whole batch is void: later
// writes and the commit fail with that error, and the batch must be rolled
// back.
BOOL CeBeginTransaction();
BOOL CeCommitTransaction();
BOOL CeRollbackTransaction();
