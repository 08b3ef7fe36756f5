#pragma once
// Which databases other processes have open. Every process that opens a
// database holds a shared POSIX record lock on one byte of a side file
// ("<store>-open") at the offset of the database's OID; changing a database's
// sort orders or deleting it needs an exclusive lock on that byte, which fails
// while any other process holds it open. The kernel drops a process's locks
// when it exits, so a killed process never leaves a database marked open.
//
// The integrity check marks itself the same way, with an exclusive lock on a
// byte beyond every OID: a writer that finds the store busy while that byte
// is held knows it waits for a check, which always ends (or dies, dropping
// the lock), and keeps waiting.
//
// A store this process can only read may lack the side file and the right to
// create it; the markers are then off: opening always succeeds and nothing
// can be taken exclusively.
//
// POSIX locks belong to the process, so this object keeps the one descriptor
// of the side file for the store's life and counts this process's handles
// itself. Not thread-safe: the store serialises use.

#include "CeDbTypes.h"

#include <string>
#include <sys/types.h>
#include <unordered_map>

namespace objectstore {

class OpenMarkers {
public:
    OpenMarkers() = default;
    ~OpenMarkers();
    OpenMarkers(const OpenMarkers&) = delete;
    OpenMarkers& operator=(const OpenMarkers&) = delete;

    // Opens or creates the side file (0600); false (with errno set) on
    // failure. With `readOnly` an existing file is opened for reading when it
    // cannot be written, and a missing one that cannot be made turns the
    // markers off instead of failing.
    bool Open(const std::string& path, bool readOnly);

    // Marks one more handle of this process on `db`; false when another
    // process holds the database exclusively (it is being changed).
    bool AddHandle(CEOID db);
    void RemoveHandle(CEOID db);
    int HandlesHere(CEOID db) const;

    // Takes the database exclusively: false while any handle of this or
    // another process has it open. Release with EndExclusive.
    bool BeginExclusive(CEOID db);
    void EndExclusive(CEOID db);

    // Marks an integrity check running in this process: false when a check
    // of another process holds the mark. Release with EndCheck.
    bool BeginCheck();
    void EndCheck();
    // True while another process runs an integrity check on this store.
    bool CheckRunningElsewhere() const;

private:
    bool Lock(off_t offset, short type);

    int fd_ = -1;
    std::unordered_map<CEOID, int> handles_;
};

} // namespace objectstore
