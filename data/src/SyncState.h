#pragma once
// What journal sync remembers of each entry it has written to or read from a
// folder (SyncState: the entry, its UID and file, the file's stamp, the
// entry's fingerprint at the last sync), kept as records of an object store
// database of its own (SyncStateDatabase). Private to the sync code.

#include "CeDbTypes.h"

#include <string>
#include <vector>

namespace journal_sync {

// What a file was when the journal last saw it.
struct FileStamp {
    long long mtime = 0; // nanoseconds of the file clock
    unsigned long long size = 0;
    unsigned long long hash = 0; // of the content; 0 unknown

    bool SameStat(const FileStamp& other) const { return mtime == other.mtime && size == other.size; }
};

struct SyncState {
    CEOID record = 0; // the state record, 0 before it is written
    CEOID entry = 0;
    std::string uid;
    std::string file; // empty until the entry has a file
    FileStamp stamp;
    unsigned long long fingerprint = 0; // of the entry at the last sync, 0 unknown
};

// 64-bit FNV-1a over `size` bytes, continuing from `hash`.
unsigned long long Fnv(const void* data, std::size_t size, unsigned long long hash = 1469598103934665603ull);

// UTF-8 to UTF-16 and back (the store keeps texts as UTF-16).
std::u16string Wide(const std::string& text);
std::string Narrow(LPCWSTR text);

// The object store's state database, made when missing; closed with the object.
class SyncStateDatabase {
public:
    SyncStateDatabase();
    ~SyncStateDatabase();
    SyncStateDatabase(const SyncStateDatabase&) = delete;
    SyncStateDatabase& operator=(const SyncStateDatabase&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    std::vector<SyncState> LoadAll();
    // Writes the state (a new record when it has none yet).
    bool Write(SyncState& state);
    bool Delete(const SyncState& state);

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace journal_sync
