#include "EntrySave.h"

#include "ObjectStore.h"
#include "ReferenceBatch.h"

CEOID SaveEntry(DbKestrin& journal, CEOID oid, ZJITEMS& set, DWORD flags)
{
    ObjectStoreTransaction transaction;
    // Without a transaction the steps could not be undone together.
    if (!transaction.IsActive())
        return 0;
    bool ok = true;
    if (oid != 0) {
        ReferenceBatch old(journal);
        old.RemoveEntry(oid);
        ok = old.Flush();
    }
    CEOID written = ok ? journal.Write(oid, &set) : 0;
    if (written != 0 && journal.SetFlags(written, flags) == written && transaction.Commit())
        return written;
    transaction.Rollback();
    // Write put the entry into the journal's row index before the rollback.
    if (written != 0)
        journal.InvalidateRows();
    return 0;
}
