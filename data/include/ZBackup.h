#pragma once
// ZBackup: writes the journal's entries to a backup file ("*.ksk") and reads
// them back. The user runs it from the program's menu; the integrity check
// runs it on a safety copy without owner window.
//
// The file (all integers little-endian, no padding):
//   u16 magic 55, u16 version 1, u16 record count (the real count modulo
//   65,536, see below), then the records. A record: u32 the entry's OID at
//   backup time, then the eleven entry fields in set order, each as u32
//   property id and its value: file times as 8 bytes (low half first);
//   texts as u32 byte length + UTF-8 bytes, no terminator; blobs (Note,
//   Categories, Contacts) as u32 length + the stored bytes; Type, Priority
//   and Sensitivity as signed 16-bit. A backup of no entry is the 6-byte
//   header with count 0, which restores no entry without complaint.
//
// Counts above 65,535: the header keeps only 16 bits, so a reader must not
// trust it. Restore reads records until the data ends and uses the header
// count only for the progress range and to notice a file that ends exactly
// at a record boundary with fewer records than the header promised. Files
// written by older versions (count = the real count) read the same way.
//
// Restoring: a record whose stored OID named an entry of the journal when
// the restore began is written over that entry ("refreshed": its old
// contact and category references are removed first, so the relation index
// and the category counters stay in step); any other is inserted as a new
// entry ("re-inserted") and its new OID is patched in the file, so a second
// restore of the same file refreshes. An OID handed out during the restore
// never makes a later record of the file refresh instead of insert. A
// refresh the store refuses stops the restore like any failed write. Each
// record is decoded and checked whole before anything is written: the first
// record that is damaged (a length past the end of the file, an unknown or
// repeated property, a text holding a NUL character, a damaged contact or
// category list) ends the restore; the records before it are restored and
// the damage is reported. Restoring runs in store transactions of
// kRestoreBatch records: each batch is written completely (records, relation
// index, category counters) or not at all. The new OIDs of a batch are
// reserved before it is written and patched into the file before it
// commits, so a restore killed anywhere and run again gives each record
// once (ZBackup.cpp tells why). Inside a caller's transaction (the integrity
// check) the batches are part of that transaction.
//
// Backups are written to a temporary file beside the target, synced once
// and renamed over it (AtomicFileWriter): a failed or interrupted backup
// leaves the previous file as it was.
//
// Owner window: with one, the count messages and errors are shown through
// the UI hooks; without one (null) nothing is shown and ErrorText() tells
// what went wrong. The file dialogs belong to the program: it installs a
// BackupFileChooser; without one the dialog forms return 0.
//
// The journal is not owned and must stay open while the object is used.
// Not copyable; not thread-safe.

#include "DbKestrin.h"
#include "ZCProgress.h"
#include "ZFile.h"
#include "ZStream.h"
#include "ZString.h"

#include <string>
#include <utility>
#include <vector>

// Asks the user for the file of a backup (save dialog) or a restore (open
// dialog). The program implements it with its file dialogs.
class BackupFileChooser {
public:
    virtual ~BackupFileChooser() = default;
    // `forBackup`: the save dialog of a backup; else the open dialog of a
    // restore. True with `path` set when the user chose a file; false when
    // cancelled.
    virtual bool ChooseBackupFile(HWND owner, bool forBackup, ZString& path) = 0;
};

// Makes `chooser` the process's chooser (null: none) and returns the one
// installed before. Not owned; it must outlive its installation.
BackupFileChooser* InstallBackupFileChooser(BackupFileChooser* chooser);

// What the last restore did.
struct RestoreCounts {
    DWORD read = 0; // records restored (refreshed + reinserted)
    DWORD refreshed = 0;
    DWORD reinserted = 0;
    // The file ended inside a record or held a record that cannot be
    // decoded; restoring stopped there.
    bool damaged = false;
    // The data ended at a record boundary but the header promised a
    // different number of records (a file cut at a record boundary).
    bool countMismatch = false;
    // The store refused a batch (disk full, ...): restoring stopped.
    bool writeFailed = false;
    // The entry whose refresh the store refused (0: none); writeFailed is
    // then set too.
    CEOID refusedOid = 0;
};

class ZBackup : public ZFile {
public:
    static constexpr WORD kMagic = 55;
    static constexpr WORD kVersion = 1;
    static constexpr DWORD kHeaderSize = 6;
    // Records written per store transaction while restoring.
    static constexpr DWORD kRestoreBatch = 10000;

    // `journal` must be open; `owner` null means no message boxes.
    ZBackup(DbKestrin* journal, HWND owner);
    ~ZBackup() override;

    // Asks for the file through the installed chooser and backs up to it;
    // 0 when cancelled or when no chooser is installed.
    DWORD Backup(ZCProgress* progress);
    // Writes every entry that passes the active filter (all when it is
    // inactive) to `path`. Returns the number written; 0 when the file
    // cannot be written (the previous file at `path` is kept, ErrorText
    // tells why) or no entry passes (`path` then holds the header alone).
    // With an owner, shows "%d Record(s) Backed Up".
    DWORD Backup(LPCWSTR path, ZCProgress* progress);

    // Asks for the file through the installed chooser and restores it; 0
    // when cancelled or when no chooser is installed.
    DWORD Restore(ZCProgress* progress);
    // Restores the backup at `path`. Returns the number of records restored;
    // 0 when the file does not exist (nothing is created), cannot be read,
    // is empty, or is not a version-1 backup. With an owner, shows the count
    // message, or the error.
    DWORD Restore(LPCWSTR path, ZCProgress* progress = nullptr);
    // Restores the records of `stream`, positioned after magic and version.
    // OIDs are patched in this object's file when one is open for writing.
    // Returns the number of records restored.
    DWORD RestoreVersion01(ZStream& stream, ZCProgress* progress);
    // Writes `oid` into the 4 bytes at `offset` of the open file and puts
    // the file position back. True when the 4 bytes were written.
    BOOL UpdateOid(DWORD offset, CEOID oid);

    const RestoreCounts& LastRestore() const { return m_counts; }
    // Why the last Backup or Restore failed or stopped early; empty when it
    // went through.
    const ZString& ErrorText() const { return m_error; }
    // "Restored %d record(s).\n\n%d existing record(s) refreshed.\n\n%d
    // record(s) re-inserted." for the last restore, followed by lines about
    // damage and failed writes when there were some.
    ZString RestoreMessage() const;
    // "%d Record(s) Backed Up".
    static ZString BackupMessage(DWORD count);

private:
    class Restorer;
    using OidPatches = std::vector<std::pair<DWORD, CEOID>>;

    // Writes `count` bytes at `offset` of the open file and puts the file
    // position back. True when all were written.
    BOOL WriteAt(DWORD offset, const BYTE* bytes, DWORD count);
    // Writes the new OIDs (file offset, OID; offsets rising) of one batch in
    // one write: the stretch of `stream` (the whole file) they span, patched.
    BOOL WritePatches(const ZStream& stream, const OidPatches& patches);

    DWORD Fail(LPCWSTR text, LPCWSTR path);
    // Clears the counts, damage and error of the last restore.
    void ForgetLastRestore();
    void Show(LPCWSTR text, LPCWSTR caption, UINT type) const;

    DbKestrin* m_journal;
    HWND m_owner;
    RestoreCounts m_counts;
    // The field label of a text holding a NUL character that stopped the
    // last restore, and the number of that record (from 1).
    std::u16string m_damage;
    DWORD m_damagedRecord = 0;
    ZString m_error;
};
