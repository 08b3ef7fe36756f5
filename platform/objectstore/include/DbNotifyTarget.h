#pragma once
// The receiver of a database's change notifications. A handle's notify window
// (the HWND given to CeOpenDatabase) is either null or a pointer to a
// DbNotifyTarget, passed as `static_cast<HWND>(static_cast<DbNotifyTarget*>(p))`.
//
// After this process changes a record through one handle, every other handle
// of this process open on the same database gets one call per distinct target:
// DB_CEOID_CREATED, DB_CEOID_CHANGED or DB_CEOID_RECORD_DELETED with the
// record's OID. Calls are synchronous, on the thread that made the change,
// right after the change is committed (changes inside an explicit transaction
// are announced when it commits and dropped when it rolls back). The target may
// call the store from inside the call. Changes made by other processes are not
// announced; they become visible at the next call into the store.

#include "CeDbTypes.h"

struct DbNotifyTarget {
    virtual void OnDbNotify(UINT code, CEOID oid) = 0;

protected:
    ~DbNotifyTarget() = default;
};

inline HWND AsNotifyWindow(DbNotifyTarget* target)
{
    return static_cast<HWND>(target);
}
