#pragma once
// Lookups in constant tables sorted by a numeric key (the string table, the
// error texts): checked sorted at compile time, searched by bisection.

#include <algorithm>
#include <cstddef>

// True when the keys of `table` are unique and ascending.
template <typename Entry, std::size_t N, typename Key>
constexpr bool IsStrictlyAscending(const Entry (&table)[N], Key Entry::*key)
{
    for (std::size_t i = 1; i < N; ++i) {
        if (!(table[i - 1].*key < table[i].*key))
            return false;
    }
    return true;
}

// The entry whose key is `wanted`, or null.
template <typename Entry, std::size_t N, typename Key>
const Entry* FindByKey(const Entry (&table)[N], Key Entry::*key, Key wanted)
{
    const Entry* found = std::lower_bound(
        table, table + N, wanted, [key](const Entry& entry, Key k) { return entry.*key < k; });
    return (found != table + N && found->*key == wanted) ? found : nullptr;
}
