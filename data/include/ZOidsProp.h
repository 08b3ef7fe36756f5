#pragma once
// ZOidsProp: a set of record OIDs in insertion order, without duplicates, and
// its blob form — the OIDs as consecutive little-endian 32-bit values, no
// header (4 x count bytes; an empty set is a blob of length 0 and no buffer).
// The relation index keeps one per contact and category name.
//
// Sets of many thousand OIDs are normal (every entry without categories is
// listed under "None"), so the OIDs live in one contiguous array. A value;
// not thread-safe.

#include "CeDbTypes.h"
#include "WinTypes.h"

#include <vector>

class ZOidsProp {
public:
    ZOidsProp() = default;
    // Copy(blob).
    explicit ZOidsProp(const CEBLOB& blob);

    // Empties the set, then adds every OID of the blob in order, skipping
    // duplicates; trailing bytes that do not make a whole OID are ignored.
    // Returns the count.
    int Copy(const CEBLOB& blob);
    // Adds `oid` unless present; returns the count.
    int operator+=(CEOID oid);
    // Removes `oid`; true when it was present.
    bool Remove(CEOID oid);
    bool Contains(CEOID oid) const;
    void Empty() { m_oids.clear(); }

    int Count() const { return static_cast<int>(m_oids.size()); }
    // The index-th OID in insertion order (caller keeps 0 <= index < Count()).
    CEOID operator[](int index) const { return m_oids[static_cast<std::size_t>(index)]; }
    std::vector<CEOID>::const_iterator begin() const { return m_oids.begin(); }
    std::vector<CEOID>::const_iterator end() const { return m_oids.end(); }

    // Writes the blob form into `blob`: frees the blob's previous buffer when
    // it has a length and a buffer, then allocates 4 x count bytes from the
    // local heap (the caller frees them with LocalFree). Returns TRUE when
    // the length is not 0; an empty set (or no memory) gives length 0 and a
    // null buffer.
    BOOL GetBlob(CEBLOB* blob) const;

private:
    std::vector<CEOID> m_oids;
};
