#include "ZOidsProp.h"

#include "LocalHeap.h"

#include <algorithm>
#include <functional>
#include <unordered_set>

namespace {

CEOID ReadLE32(const BYTE* p)
{
    return static_cast<CEOID>(p[0]) | (static_cast<CEOID>(p[1]) << 8) | (static_cast<CEOID>(p[2]) << 16)
        | (static_cast<CEOID>(p[3]) << 24);
}

void WriteLE32(BYTE* p, CEOID value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
    p[2] = static_cast<BYTE>(value >> 16);
    p[3] = static_cast<BYTE>(value >> 24);
}

bool HasDuplicates(const std::vector<CEOID>& list)
{
    // Lists grow by appending new entries, whose OIDs only grow: a strictly
    // rising list (the usual case) has no duplicates and costs one pass.
    if (std::adjacent_find(list.begin(), list.end(), std::greater_equal<CEOID>()) == list.end())
        return false;
    std::vector<CEOID> oids = list;
    std::sort(oids.begin(), oids.end());
    return std::adjacent_find(oids.begin(), oids.end()) != oids.end();
}

} // namespace

ZOidsProp::ZOidsProp(const CEBLOB& blob)
{
    Copy(blob);
}

int ZOidsProp::Copy(const CEBLOB& blob)
{
    m_oids.clear();
    if (blob.lpb == nullptr)
        return 0;
    std::size_t count = blob.dwCount / 4;
    m_oids.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        m_oids.push_back(ReadLE32(blob.lpb + 4 * i));
    // Stored sets hold no duplicates; only a damaged blob pays for the
    // order-keeping removal below.
    if (HasDuplicates(m_oids)) {
        std::unordered_set<CEOID> seen;
        std::erase_if(m_oids, [&seen](CEOID oid) { return !seen.insert(oid).second; });
    }
    return Count();
}

int ZOidsProp::operator+=(CEOID oid)
{
    if (!Contains(oid))
        m_oids.push_back(oid);
    return Count();
}

bool ZOidsProp::Remove(CEOID oid)
{
    auto found = std::find(m_oids.begin(), m_oids.end(), oid);
    if (found == m_oids.end())
        return false;
    m_oids.erase(found);
    return true;
}

bool ZOidsProp::Contains(CEOID oid) const
{
    return std::find(m_oids.begin(), m_oids.end(), oid) != m_oids.end();
}

BOOL ZOidsProp::GetBlob(CEBLOB* blob) const
{
    if (blob->dwCount != 0 && blob->lpb != nullptr)
        LocalFree(blob->lpb);
    blob->dwCount = 0;
    blob->lpb = nullptr;
    if (m_oids.empty())
        return FALSE;
    auto* buffer = static_cast<BYTE*>(LocalAlloc(LPTR, 4 * m_oids.size()));
    if (buffer == nullptr)
        return FALSE;
    for (std::size_t i = 0; i < m_oids.size(); ++i)
        WriteLE32(buffer + 4 * i, m_oids[i]);
    blob->lpb = buffer;
    blob->dwCount = static_cast<DWORD>(4 * m_oids.size());
    return TRUE;
}
