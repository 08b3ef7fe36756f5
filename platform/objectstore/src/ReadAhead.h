#pragma once
// Copies of the stored records a walk through a database is about to read.
//
// A walk in a sort order visits the records in key order, which is seldom the
// order they lie in the file: when the keys have nothing to do with the order
// of writing (subjects, dates entered out of turn) every record costs a read
// of its own page. While one handle reads position after position, the store
// reads the next stretch of its walk at once, sorted by OID, which is the
// file's order: each page is then read once for all the stretch's records on
// it. A stretch starts small (a list page reads a few dozen records) and
// doubles while the walk goes on, up to a memory budget.
//
// The copies are only as fresh as the file: the store clears them on its own
// writes, on a rollback and when another process has committed. Only one walk
// is followed at a time; reads of another handle in between start afresh.
// Not thread-safe: the store serialises use.

#include "BulkAllocator.h"
#include "CeDbTypes.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace objectstore {

class ReadAhead {
public:
    // The most the copies of one stretch take (one record more if that
    // record alone is larger).
    static constexpr std::size_t kBudgetBytes = std::size_t(20) << 20;

    // Notes that `walker` reads position `pos` of its order; true when this
    // continues its walk (the position after its last read). A read that
    // does not continue ends the walk and frees a large stretch.
    bool Continues(const void* walker, std::size_t pos);

    // The held copy of record `oid` of database `db`; empty when none is
    // held. Valid until the next Start or Clear.
    std::optional<std::span<const BYTE>> Find(CEOID db, CEOID oid) const;

    // Starts a new stretch of database `db` (dropping the last one) and
    // returns how many records it should hold; add them in ascending OID
    // order. Add refuses a record (false) once the copies fill the memory
    // budget: the rest of the stretch is read when the walk gets there.
    std::size_t Start(CEOID db);
    bool Add(CEOID oid, std::span<const BYTE> record);
    std::size_t HeldBytes() const;

    // Drops the copies and forgets the walk.
    void Clear();
    // Clears when `walker` (a handle being closed) is the walk followed.
    void Forget(const void* walker);

private:
    struct Held {
        CEOID oid;
        std::size_t at;
        std::size_t size;
    };

    std::size_t AverageRecord() const;
    std::size_t NextStretch() const;
    void Release();

    const void* walker_ = nullptr;
    std::size_t lastPos_ = 0;
    std::size_t stretch_ = 0; // records asked for by the last Start
    bool overflowed_ = false; // the last stretch did not fit the budget
    CEOID db_ = 0;
    std::vector<BYTE, BulkAllocator<BYTE>> bytes_; // filled 2 MiB at a time
    std::vector<Held> held_;
};

} // namespace objectstore
