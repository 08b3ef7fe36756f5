#pragma once
// The in-memory order of one database in one sort order: every record's sort
// key and OID, sorted by (key, OID). Position seeks (n-th record, index of an
// OID) and stepping are array accesses here instead of OFFSET/COUNT walks in
// SQLite. Keys compare as bytes (see SortKey.h); ties fall to the OID, so the
// order is total and stable.
//
// One index is shared by all handles of the process that opened the database
// in that order. The store keeps it in step with its own writes and marks it
// stale when another process changed the database; a stale index is rebuilt
// from SQLite before its next use. Not thread-safe: the store serialises use.

#include "CeDbTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace objectstore {

struct OrderEntry {
    std::string key;
    CEOID oid;
};

class OrderIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t Size() const { return entries_.size(); }
    const OrderEntry& At(std::size_t pos) const { return entries_[pos]; }

    // First position whose (key, OID) is not below the given pair.
    std::size_t LowerBound(std::string_view key, CEOID oid) const;
    // Position of exactly (key, OID), or npos. `hint` is tried first.
    std::size_t Find(std::string_view key, CEOID oid, std::size_t hint = npos) const;

    void Insert(std::string key, CEOID oid);
    // Removes (key, OID) if present.
    void Erase(std::string_view key, CEOID oid);
    void Assign(std::vector<OrderEntry> sortedEntries);

    // Database version the entries reflect; meaningless while stale.
    std::int64_t version = 0;
    bool stale = true;
    // Open handles using this index.
    int users = 0;

private:
    std::vector<OrderEntry> entries_;
};

} // namespace objectstore
