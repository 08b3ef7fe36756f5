#pragma once
// Fault points of the data layer: named places inside multi-record changes
// where a test can make the process die, to prove that the store's
// transaction leaves the journal consistent. In normal runs no handler is
// installed and a fault point costs one load. Not for production use.

enum class DataFault {
    AfterEntryWrite, // DbKestrin::Write, SaveEntry: the record is written, references not yet
    BeforeEntryDelete, // DbKestrin::DeleteEntry: references removed, record not yet
    RestoreBatchWritten, // ZBackup restore: a batch written, its OIDs not yet in the file
    RestoreFilePatched, // ZBackup restore: the batch's OIDs in the file, not yet committed
    RestoreBatchCommitted, // ZBackup restore: a batch committed
    AfterSafetyCopy, // DbKestrin::Cleanup: the safety copy is written, nothing removed yet
};

using DataFaultHandler = void (*)(DataFault where);

// Installs `handler` (null removes it); returns the previous one.
DataFaultHandler SetDataFaultHandler(DataFaultHandler handler);
// Calls the installed handler, if any.
void DataFaultPoint(DataFault where);
