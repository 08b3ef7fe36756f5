// The service's calls: each takes the process-wide lock and forwards to the
// current store.

#include "CeDatabase.h"

#include "CurrentStore.h"

using objectstore::Store;
using objectstore::WithStore;

CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* sortOrders)
{
    return WithStore(
        CEOID(0), [&](Store& s) { return s.CreateDatabase(name, type, numSortOrders, sortOrders); });
}

HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notify)
{
    return WithStore(
        INVALID_HANDLE_VALUE, [&](Store& s) { return s.OpenDatabase(oid, name, sortProp, flags, notify); });
}

BOOL CeDeleteDatabase(CEOID oid)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.DeleteDatabase(oid); });
}

CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD_PTR value, DWORD* index)
{
    return WithStore(CEOID(0), [&](Store& s) { return s.Seek(db, seekType, value, index); });
}

CEOID CeReadRecordProps(
    HANDLE db, DWORD flags, WORD* count, const CEPROPID* ids, LPBYTE* buffer, DWORD* bufferSize)
{
    return WithStore(
        CEOID(0), [&](Store& s) { return s.ReadProps(db, flags, count, ids, buffer, bufferSize); });
}

CEOID CeWriteRecordProps(HANDLE db, CEOID oid, WORD count, const CEPROPVAL* values)
{
    return WithStore(CEOID(0), [&](Store& s) { return s.WriteProps(db, oid, count, values); });
}

CEOID CeFindText(HANDLE db, CEPROPID propid, LPCWSTR text, BOOL caseSensitive)
{
    return WithStore(CEOID(0), [&](Store& s) { return s.FindText(db, propid, text, caseSensitive); });
}

BOOL CeDeleteRecord(HANDLE db, CEOID oid)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.DeleteRecord(db, oid); });
}

BOOL CeSetDatabaseInfo(CEOID oid, const CEDBASEINFO* info)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.SetDatabaseInfo(oid, info); });
}

BOOL CeOidGetInfo(CEOID oid, CEOIDINFO* info)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.OidGetInfo(oid, info); });
}

DWORD CeGetRecordCount(HANDLE db)
{
    return WithStore(DWORD(0xFFFFFFFF), [&](Store& s) { return s.RecordCount(db); });
}

BOOL CloseHandle(HANDLE handle)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.CloseHandle(handle); });
}

BOOL CeBeginTransaction()
{
    return WithStore(BOOL(FALSE), [](Store& s) { return s.BeginTransaction(); });
}

BOOL CeCommitTransaction()
{
    return WithStore(BOOL(FALSE), [](Store& s) { return s.CommitTransaction(); });
}

BOOL CeRollbackTransaction()
{
    return WithStore(BOOL(FALSE), [](Store& s) { return s.RollbackTransaction(); });
}
