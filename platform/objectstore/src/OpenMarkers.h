#pragma once
// Which databases other processes have open. Every process that opens a
// database holds a shared POSIX record lock on one byte of a side file
// ("<store>-open") at the offset of the database's OID; changing a database's
// sort orders or deleting it needs an exclusive lock on that byte, which fails
// while any other process holds it open. The kernel drops a process's locks
// when it exits, so a killed process never leaves a database marked open.
//
// POSIX locks belong to the process, so this object keeps the one descriptor
// of the side file for the store's life and counts this process's handles
// itself. Not thread-safe: the store serialises use.

#include "CeDbTypes.h"

#include <string>
#include <unordered_map>

namespace objectstore {

class OpenMarkers {
public:
    OpenMarkers() = default;
    ~OpenMarkers();
    OpenMarkers(const OpenMarkers&) = delete;
    OpenMarkers& operator=(const OpenMarkers&) = delete;

    // Opens or creates the side file; false (with errno set) on failure.
    bool Open(const std::string& path);

    // Marks one more handle of this process on `db`; false when another
    // process holds the database exclusively (it is being changed).
    bool AddHandle(CEOID db);
    void RemoveHandle(CEOID db);
    int HandlesHere(CEOID db) const;

    // Takes the database exclusively: false while any handle of this or
    // another process has it open. Release with EndExclusive.
    bool BeginExclusive(CEOID db);
    void EndExclusive(CEOID db);

private:
    bool Lock(CEOID db, short type);

    int fd_ = -1;
    std::unordered_map<CEOID, int> handles_;
};

} // namespace objectstore
