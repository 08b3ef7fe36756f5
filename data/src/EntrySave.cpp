#include "EntrySave.h"

#include "DataFaultPoints.h"
#include "ObjectStore.h"
#include "ReferenceBatch.h"

CEOID SaveEntry(DbKestrin& journal, CEOID oid, ZJITEMS& set, DWORD flags)
{
    ObjectStoreTransaction transaction;
    // Without a transaction the steps could not be undone together.
    if (!transaction.IsActive())
        return 0;
    // Only the names the entry leaves or joins are written: the "None"
    // lists hold most of the journal, and an edit that keeps the entry's
    // contacts and categories need not rewrite them.
    ReferenceBatch references(journal);
    if (oid != 0)
        references.ReplaceEntry(oid, set);
    const CEOID written = journal.WriteEntryRecord(oid, &set);
    if (written != 0) {
        DataFaultPoint(DataFault::AfterEntryWrite);
        if (oid == 0)
            references.AddEntry(written, set);
    }
    if (written != 0 && references.Flush() && journal.SetFlags(written, flags) == written
        && transaction.Commit())
        return written;
    transaction.Rollback();
    // The record went into the journal's rows before the rollback.
    if (written != 0)
        journal.InvalidateRows();
    return 0;
}
