#pragma once
// The in-memory order of one database in one sort order: every record's sort
// key and OID, sorted by (key, OID). Position seeks (n-th record, index of an
// OID) and stepping are array accesses here instead of OFFSET/COUNT walks in
// SQLite. Keys compare as bytes (see SortKey.h); ties fall to the OID, so the
// order is total and stable.
//
// The keys live back to back in one buffer and the order is a list of blocks
// of small fixed-size entries, all blocks carved from one pool: building it
// for 100,000 records allocates a handful of times (BulkAllocator.h), and an
// insert or erase moves at most one block instead of the whole array. Views
// returned by At() stay valid until the next change.
//
// One index is shared by all handles of the process that opened the database
// in that order. The store keeps it in step with its own writes and marks it
// stale when another process changed the database; a stale index is rebuilt
// from SQLite before its next use. Not thread-safe: the store serialises use.

#include "BulkAllocator.h"
#include "CeDbTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace objectstore {

struct OrderEntry {
    std::string_view key;
    CEOID oid;
};

class OrderIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t Size() const { return size_; }
    OrderEntry At(std::size_t pos) const;

    // First position whose (key, OID) is not below the given pair.
    std::size_t LowerBound(std::string_view key, CEOID oid) const;
    // Position of exactly (key, OID), or npos. `hint` is tried first.
    std::size_t Find(std::string_view key, CEOID oid, std::size_t hint = npos) const;

    // The first position from `from` on whose OID satisfies `wanted`, or npos.
    template <class Wanted> std::size_t FirstFrom(std::size_t from, Wanted wanted) const
    {
        for (std::size_t b = from < size_ ? BlockOf(from) : blocks_.size(); b < blocks_.size(); ++b) {
            const Slot* first = Begin(blocks_[b]);
            for (std::size_t i = from > starts_[b] ? from - starts_[b] : 0; i < blocks_[b].size; ++i)
                if (wanted(first[i].oid))
                    return starts_[b] + i;
        }
        return npos;
    }

    void Insert(std::string_view key, CEOID oid);
    // Removes (key, OID) if present.
    void Erase(std::string_view key, CEOID oid);

    // Rebuilding: Clear (with the number of entries expected, to size the
    // buffers once), then Append every entry in order.
    void Clear(std::size_t expected = 0);
    void Append(std::string_view key, CEOID oid);

    // Database version the entries reflect; meaningless while stale.
    std::int64_t version = 0;
    bool stale = true;
    // Open handles using this index.
    int users = 0;

private:
    struct Slot {
        std::uint64_t keyAt;
        std::uint32_t keyLength;
        CEOID oid;
    };
    // A block: `size` entries from pool_[at], room for kBlockCapacity.
    struct Block {
        std::size_t at;
        std::size_t size;
    };

    std::string_view KeyOf(const Slot& s) const { return { keys_.data() + s.keyAt, s.keyLength }; }
    bool Before(const Slot& s, std::string_view key, CEOID oid) const;
    const Slot* Begin(const Block& b) const { return pool_.data() + b.at; }
    Slot* Begin(const Block& b) { return pool_.data() + b.at; }
    const Slot& Last(const Block& b) const { return Begin(b)[b.size - 1]; }
    // The block holding position `pos` (< Size()).
    std::size_t BlockOf(std::size_t pos) const;
    Block NewBlock();
    Slot Keep(std::string_view key, CEOID oid);
    void Renumber(std::size_t fromBlock);
    void DropGarbage();

    std::vector<char, BulkAllocator<char>> keys_;
    std::size_t garbage_ = 0; // bytes of keys_ no entry uses any more
    std::vector<Slot, BulkAllocator<Slot>> pool_;
    std::vector<std::size_t> freeBlocks_; // pool offsets of unused blocks
    std::vector<Block> blocks_; // in order
    std::vector<std::size_t> starts_; // position of each block's first entry
    std::size_t size_ = 0;
    std::size_t expected_ = 0;
};

} // namespace objectstore
