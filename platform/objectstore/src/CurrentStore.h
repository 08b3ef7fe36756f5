#pragma once
// The process-wide current store behind the Ce* calls and ObjectStore, and
// the lock that serialises every call into it.

#include "Store.h"

#include <mutex>

namespace objectstore {

std::recursive_mutex& StoreMutex();
// Tells the installed wait notice (ObjectStore::SetCheckWaitNotice) that a
// write starts or stops waiting for another process's integrity check.
void NoticeCheckWait(bool waiting);
// The current store, opening the default one when none was chosen. Null (with
// last error 1009) when it cannot be opened. Call with StoreMutex held.
Store* CurrentStore();

// Runs `call` on the current store under the lock; `failure` without one.
template <class Call, class Result> Result WithStore(Result failure, Call call)
{
    std::lock_guard lock(StoreMutex());
    Store* store = CurrentStore();
    if (!store)
        return failure;
    const Result result = call(*store);
    store->EndCheckWait();
    return result;
}

} // namespace objectstore
