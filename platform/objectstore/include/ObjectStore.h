#pragma once
// The process's current object store: the one SQLite file that holds every
// record database (DESIGN: data folder/objects.db). The Ce* calls of
// CeDatabase.h work on it.
//
// OpenDefault/Open choose the store; Close ends it and invalidates all its
// handles. When no store was opened explicitly, the first Ce* call opens the
// default store, and reopens it when the data folder changes while it holds no
// handles (each test then gets a store in its own folder).
//
// A file that is not an object store, is damaged (the integrity check run on
// every open fails) or was written by a newer version is refused: Open returns
// false, LastOpenError tells why, and the file is never changed, repaired or
// replaced. A new store is created with "\Categories Database" (see below).
//
// Opening writes nothing to a store that is set up already: whatever a store
// needs (tables, provisioning) is done once, by the first process that can
// write. A store on a read-only folder or medium, write-protected, or on a
// full disk with no room for its log opens for reading (IsReadOnly); its
// writes fail with 5. Readers never wait for a writer. The store is closed
// when the process ends; the last process to close it folds its log back,
// so the file alone then holds everything. Data folder and files are made
// private (0700, 0600).
// All members are thread-safe (one process-wide lock).

#include "CeDbTypes.h"

#include <cstdint>
#include <filesystem>
#include <string>

class ObjectStore {
public:
    // $KESTRIN_HOME, else $XDG_DATA_HOME/kestrin, else ~/.local/share/kestrin.
    static std::filesystem::path DataFolder();
    // DataFolder()/objects.db
    static std::filesystem::path DefaultPath();

    // Opens (creating the folder and file if missing) the default store.
    static bool OpenDefault();
    // Opens the given store file; the previous store is closed first.
    static bool Open(const std::filesystem::path& file);
    static void Close();
    static bool IsOpen();
    // The path of the open store (empty when none).
    static std::filesystem::path CurrentPath();
    // Why the last open failed, in UTF-8 ("" after a successful open).
    static std::string LastOpenError();

    // True when the current store can only be read.
    static bool IsReadOnly();
    // Folds the log into the main file as far as no reader still needs it,
    // without waiting (after bulk work, so a copy of the file alone is whole).
    static void Checkpoint();
    // True while another process runs an integrity check (IntegrityCheckMark).
    static bool IntegrityCheckRunning();
    // Called with true when a write of this process starts waiting for
    // another process's integrity check, and with false when the wait is
    // over (under the store's lock: it must not call the store). Null: none.
    using CheckWaitNotice = void (*)(bool waiting);
    static void SetCheckWaitNotice(CheckWaitNotice notice);

    // Caps the file's size (rounded down to pages, never below its current
    // size); writes beyond it fail with 112. 0 removes the cap.
    static bool SetSizeLimit(std::uint64_t bytes);

    // A number that grows whenever another process has changed the store
    // since the last look (changes made by this process do not count). A
    // window compares it with the number it saw last to notice outside
    // changes; the call costs no record reads. 0 without a store.
    static std::uint64_t OutsideChangeCount();

    // The shared categories database every new store is provisioned with.
    static constexpr const WCHAR* kCategoriesDatabaseName = u"\\Categories Database";
    // Its type: no application owns it.
    static constexpr DWORD kCategoriesDatabaseType = 0;
};

// A batch of writes in one transaction: begun by the constructor, rolled back
// by the destructor unless Commit succeeded.
class ObjectStoreTransaction {
public:
    ObjectStoreTransaction();
    ~ObjectStoreTransaction();
    ObjectStoreTransaction(const ObjectStoreTransaction&) = delete;
    ObjectStoreTransaction& operator=(const ObjectStoreTransaction&) = delete;

    // False when the transaction could not be begun (GetLastError tells why).
    bool IsActive() const { return active_; }
    // Commits; false (and rolled back) on failure.
    bool Commit();
    void Rollback();

private:
    bool active_ = false;
};

// OIDs set aside for the records this process is about to create. The
// constructor moves the store's counter past `count` OIDs in a commit of its
// own (synced to disk), so no writer of any process is ever handed them;
// while the object lives, the records this process creates take them in
// order (First(), First() + 1, ...), and after that the counter again. OIDs
// not used by then are never used. Inside an open transaction the
// reservation belongs to that transaction and is undone with it.
// A caller may so name the OIDs of records before they are committed (the
// restore writes them into its file first): if the records never arrive,
// the names point at nothing. One reservation at a time per process.
class ObjectStoreOidReservation {
public:
    explicit ObjectStoreOidReservation(DWORD count);
    ~ObjectStoreOidReservation();
    ObjectStoreOidReservation(const ObjectStoreOidReservation&) = delete;
    ObjectStoreOidReservation& operator=(const ObjectStoreOidReservation&) = delete;

    // False when nothing could be reserved (GetLastError tells why: 112 when
    // the store has too few OIDs left).
    bool IsActive() const { return first_ != 0; }
    // The first reserved OID; 0 when not active.
    CEOID First() const { return first_; }

private:
    CEOID first_ = 0;
};

// Marks an integrity check running in this process for as long as the object
// lives. Writers of other processes that find the store busy meanwhile wait
// for the check to end instead of giving up after the usual few seconds.
class IntegrityCheckMark {
public:
    IntegrityCheckMark();
    ~IntegrityCheckMark();
    IntegrityCheckMark(const IntegrityCheckMark&) = delete;
    IntegrityCheckMark& operator=(const IntegrityCheckMark&) = delete;

    // False when another process runs a check (or no store could be opened).
    bool Held() const { return held_; }

private:
    void* store_ = nullptr;
    bool held_ = false;
};
