#pragma once
// PimIdMap: the 32-bit object ids of address-book contacts, events and
// tasks, one per UID and kind. Each id is the OID of a record of the object
// store's "PimItemIds" database that holds the UID and kind: the store never
// reuses an OID, so an id stays its item's across runs and processes, and an
// item that is gone never lends its id to another. A UID keeps its id for
// good (records are never deleted), so a card that disappears for a sync and
// comes back is still found by it.
//
// The records are read into memory once and read again when an id or UID
// is asked for that another process may have added. New ids are written in
// one transaction, after reading the records again inside it, so two
// processes never give one UID two ids. UI thread (or one thread); not
// copyable.

#include "WinTypes.h"

#include <string>
#include <unordered_map>
#include <vector>

class PimIdMap {
public:
    enum Kind : DWORD {
        kContact = 1,
        kEvent = 2,
        kTask = 3,
    };

    PimIdMap() = default;
    PimIdMap(const PimIdMap&) = delete;
    PimIdMap& operator=(const PimIdMap&) = delete;

    // ids[i] becomes the id of uids[i], new ids written for UIDs that have
    // none. False when the store failed; ids not found then read 0.
    bool Assign(Kind kind, const std::vector<std::u16string>& uids, std::vector<DWORD>& ids);
    // The id of `uid`, 0 when it has none (nothing is written).
    DWORD Find(Kind kind, const std::u16string& uid);
    // The UID and kind of `id`; false when no item has that id.
    bool Lookup(DWORD id, Kind& kind, std::u16string& uid);

private:
    struct Entry {
        Kind kind;
        std::u16string uid;
    };
    static std::u16string Key(Kind kind, const std::u16string& uid);
    // Reads every record (again); false when the store cannot be read.
    bool Load();
    std::size_t RecordCount() const;
    DWORD Write(Kind kind, const std::u16string& uid);

    std::unordered_map<std::u16string, DWORD> ids_;
    std::unordered_map<DWORD, Entry> entries_;
    bool loaded_ = false;
};
