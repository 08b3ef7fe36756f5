#pragma once
// Helpers for the store's transactions as the data layer uses them: one
// ObjectStoreTransaction around every change of several records. Private to
// the data layer.

#include "CeDatabase.h"
#include "ObjectStore.h"

// Commits an active batch. True when the writes are in the store: committed
// now, or written outside a transaction because none could be begun.
inline bool CommitBatch(ObjectStoreTransaction& transaction)
{
    return !transaction.IsActive() || transaction.Commit();
}
