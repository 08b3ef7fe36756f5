// Text search over one property of a database's records: the matching OIDs
// come from the full-text index or from one pass over the records in file
// order (StoreFullText.cpp); the first match in the handle's order is then
// picked from that (ascending) list.

#include "Store.h"

#include "LastError.h"
#include "StoreInternals.h"

#include <algorithm>
#include <vector>

namespace objectstore {

CEOID Store::FindText(HANDLE hv, CEPROPID prop, LPCWSTR text, BOOL caseSensitive)
{
    Handle* h = Find(hv);
    if (!h)
        return 0;
    if (!text || TypeFromPropID(prop) != CEVT_LPWSTR || NumberFromPropID(prop) == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    Refresh();
    if (!EnsureBuilt(*h))
        return 0;
    const Located at = Locate(*h);
    if (at.where == Where::End)
        return RunOff(*h);

    // Ascending (see MatchingOids).
    std::vector<CEOID> matches;
    if (!MatchingOids(h->db, prop, text, caseSensitive != FALSE, matches))
        return 0;
    const std::size_t pos = h->index->FirstFrom(
        at.pos, [&](CEOID oid) { return std::binary_search(matches.begin(), matches.end(), oid); });
    if (pos == OrderIndex::npos)
        return RunOff(*h);
    return MoveTo(*h, pos, nullptr);
}

} // namespace objectstore
