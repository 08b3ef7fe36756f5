#pragma once
// JournalSync: keeps the journal in step with a folder of .ics files, one
// VJOURNAL per file (a vdir, which a calendar sync tool carries to and from
// a CalDAV server), and writes and reads one-shot .ics files.
//
// Each synced entry has a record in the object store's "JournalSyncState"
// database: the entry's OID, its UID, the name of its file and what the
// file and the entry were at the last sync (modification time, size and
// content hash of the file; a fingerprint of the entry's fields). From
// those a sync knows which side changed:
//   - changed on one side only: the other side takes the change;
//   - changed on both: both kept, the folder's version as a new entry whose
//     subject is marked " (conflict)";
//   - file deleted: the entry is deleted only when it did not change since,
//     else its file is written again; entry deleted: the file is deleted
//     only when it did not change since, else it comes back as an entry.
// Files are written whole under a temporary name and renamed, then the
// journal changes and state records of a batch are committed in one store
// transaction; a crash in between leaves files that hold exactly what the
// journal holds, which the next sync recognises and adopts. File names come
// from UIDs made safe; nothing is written outside the folder. A file that
// cannot be read is skipped and reported by name.
//
// Works on the journal the caller opened; one thread.

#include "Vjournal.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class DbKestrin;

struct SyncReport {
    int entriesAdded = 0; // new entries from the folder
    int entriesChanged = 0;
    int entriesDeleted = 0;
    int filesWritten = 0; // new or rewritten files
    int filesDeleted = 0;
    int conflicts = 0;
    // Files skipped, "name: why"; and failures that stopped a batch.
    std::vector<std::string> problems;
    bool failed = false; // a write failed: the sync did not finish
};

class JournalSync {
public:
    explicit JournalSync(DbKestrin& journal);
    ~JournalSync();
    JournalSync(const JournalSync&) = delete;
    JournalSync& operator=(const JournalSync&) = delete;

    // Two-way sync with `folder` (created when missing).
    SyncReport Sync(const std::filesystem::path& folder);

    // Every entry as one VCALENDAR file (replaced atomically). False with
    // `error` set when it cannot be written.
    bool ExportFile(const std::filesystem::path& file, std::string& error);
    // The VJOURNALs (and VEVENTs, VTODOs) of a file: an entry whose UID the
    // journal knows is updated, any other added. Components that cannot be
    // read are reported in the result's problems.
    SyncReport ImportFile(const std::filesystem::path& file);

    // The UID of an entry, empty when it has none yet.
    std::string UidOf(CEOID oid);

    // The file name used for a UID: letters, digits, '-', '_', '@' and '.'
    // kept, any other byte as "%XX", long names cut and given a hash, ".ics"
    // added. Never a path, never hidden.
    static std::string SafeFileName(const std::string& uid);

    // The records and the journal a sync works on; defined with the sync.
    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};
