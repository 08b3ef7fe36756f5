#include "OrderIndex.h"

#include <algorithm>

namespace objectstore {

namespace {

// std::string compares its chars as unsigned bytes, as SQLite compares blobs.
bool Before(const OrderEntry& e, std::string_view key, CEOID oid)
{
    const int c = std::string_view(e.key).compare(key);
    return c < 0 || (c == 0 && e.oid < oid);
}

} // namespace

std::size_t OrderIndex::LowerBound(std::string_view key, CEOID oid) const
{
    auto it = std::partition_point(
        entries_.begin(), entries_.end(), [&](const OrderEntry& e) { return Before(e, key, oid); });
    return static_cast<std::size_t>(it - entries_.begin());
}

std::size_t OrderIndex::Find(std::string_view key, CEOID oid, std::size_t hint) const
{
    if (hint < entries_.size() && entries_[hint].oid == oid && entries_[hint].key == key)
        return hint;
    const std::size_t pos = LowerBound(key, oid);
    if (pos < entries_.size() && entries_[pos].oid == oid && entries_[pos].key == key)
        return pos;
    return npos;
}

void OrderIndex::Insert(std::string key, CEOID oid)
{
    const std::size_t pos = LowerBound(key, oid);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), OrderEntry { std::move(key), oid });
}

void OrderIndex::Erase(std::string_view key, CEOID oid)
{
    const std::size_t pos = Find(key, oid);
    if (pos != npos)
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
}

void OrderIndex::Assign(std::vector<OrderEntry> sortedEntries)
{
    entries_ = std::move(sortedEntries);
    entries_.shrink_to_fit();
}

} // namespace objectstore
