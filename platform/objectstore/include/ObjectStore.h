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
