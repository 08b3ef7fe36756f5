// Text search over one property of a database's records. The records are read
// in file order, which reads every page of the database once, instead of in
// the handle's order, which reads a page per record; the first match in the
// handle's order is then picked from the (ascending) list of matching OIDs.

#include "Store.h"

#include "LastError.h"
#include "RecordCodec.h"
#include "StoreInternals.h"

#include <QChar>

#include <algorithm>
#include <string>
#include <vector>

namespace objectstore {

namespace {

char32_t Upper(char32_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
    return QChar::toUpper(c);
}

// Upper-cases code point by code point; a mapping that would change the
// number of UTF-16 units is not applied (as the text class does it).
void MakeUpper(std::u16string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1])) {
            const char32_t mapped = Upper(QChar::surrogateToUcs4(c, text[i + 1]));
            if (QChar::requiresSurrogates(mapped)) {
                text[i] = QChar::highSurrogate(mapped);
                text[i + 1] = QChar::lowSurrogate(mapped);
            }
            ++i;
        } else {
            const char32_t mapped = Upper(c);
            if (!QChar::requiresSurrogates(mapped))
                text[i] = static_cast<char16_t>(mapped);
        }
    }
}

// Decodes a stored text payload into `out` (reusing its storage).
void Decode(std::span<const BYTE> payload, std::u16string& out)
{
    out.resize(payload.size() / 2);
    for (std::size_t u = 0; u < out.size(); ++u)
        out[u] = static_cast<char16_t>(payload[2 * u] | (payload[2 * u + 1] << 8));
}

} // namespace

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

    std::u16string needle(text);
    if (!caseSensitive)
        MakeUpper(needle);
    // Ascending, because the scan runs in OID order.
    std::vector<CEOID> matches;
    std::vector<PropView> props;
    std::u16string candidate;
    Statement& q = st_->recordsOf;
    q.Bind(1, h->db);
    while (q.Step()) {
        // A damaged record is no match; reading it tells the reader so.
        if (!ParseRecord(q.Blob(1), props))
            continue;
        const PropView* value = FindProp(props, prop);
        if (!value || value->payload.empty())
            continue;
        Decode(value->payload, candidate);
        if (!caseSensitive)
            MakeUpper(candidate);
        if (candidate.find(needle) != std::u16string::npos)
            matches.push_back(static_cast<CEOID>(q.Int(0)));
    }
    const int rc = q.Error();
    q.Reset();
    if (rc)
        return Fail(SqliteErrorToWin32(rc));
    const std::size_t pos = h->index->FirstFrom(
        at.pos, [&](CEOID oid) { return std::binary_search(matches.begin(), matches.end(), oid); });
    if (pos == OrderIndex::npos)
        return RunOff(*h);
    return MoveTo(*h, pos, nullptr);
}

} // namespace objectstore
