// The in-memory order index against a plain sorted set, through enough
// inserts and erases to split, empty and compact its blocks.

#include "OrderIndex.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>

using objectstore::OrderIndex;

namespace {

using Model = std::set<std::pair<std::string, CEOID>>;

void ExpectSame(const OrderIndex& index, const Model& model)
{
    ASSERT_EQ(index.Size(), model.size());
    std::size_t pos = 0;
    for (const auto& [key, oid] : model) {
        const auto e = index.At(pos);
        ASSERT_EQ(e.key, key) << "at " << pos;
        ASSERT_EQ(e.oid, oid) << "at " << pos;
        ASSERT_EQ(index.Find(key, oid), pos);
        ASSERT_EQ(index.Find(key, oid, pos), pos);
        ++pos;
    }
}

std::string RandomKey(std::mt19937& rng)
{
    // Few distinct keys, so that many entries tie and order by OID; bytes
    // above 0x7F check that keys compare unsigned.
    std::string key(1 + rng() % 3, '\0');
    for (char& c : key)
        c = static_cast<char>(rng() % 2 ? 0x41 + rng() % 3 : 0xF0 + rng() % 3);
    return key;
}

} // namespace

TEST(OrderIndexTest, StaysInStepWithASortedSetThroughInsertsAndErases)
{
    std::mt19937 rng(7);
    OrderIndex index;
    Model model;
    index.Clear();
    for (CEOID oid = 1; oid <= 3000; ++oid) {
        std::string key = RandomKey(rng);
        model.emplace(key, oid);
    }
    for (const auto& [key, oid] : model)
        index.Append(key, oid);
    ExpectSame(index, model);

    CEOID next = 10000;
    for (int round = 0; round < 6000; ++round) {
        if (rng() % 3 != 0 || model.empty()) {
            std::string key = RandomKey(rng);
            index.Insert(key, next);
            model.emplace(std::move(key), next++);
        } else {
            auto victim = std::next(model.begin(), static_cast<long>(rng() % model.size()));
            index.Erase(victim->first, victim->second);
            model.erase(victim);
        }
    }
    ExpectSame(index, model);

    // Erasing everything empties every block; erasing a missing entry is harmless.
    index.Erase("none", 1);
    for (const auto& [key, oid] : model)
        index.Erase(key, oid);
    EXPECT_EQ(index.Size(), 0u);
    EXPECT_EQ(index.LowerBound("A", 0), 0u);
    index.Insert("B", 5);
    index.Insert("A", 9);
    index.Insert("B", 2);
    ExpectSame(index, { { "A", 9 }, { "B", 2 }, { "B", 5 } });
}

TEST(OrderIndexTest, LowerBoundFindsTheFirstEntryNotBelow)
{
    OrderIndex index;
    for (CEOID oid = 1; oid <= 2000; ++oid)
        index.Append(std::string(1, static_cast<char>('a' + (oid - 1) / 100)), oid);
    EXPECT_EQ(index.LowerBound("a", 0), 0u);
    EXPECT_EQ(index.LowerBound("b", 0), 100u);
    EXPECT_EQ(index.LowerBound("b", 150), 149u);
    EXPECT_EQ(index.LowerBound("t", 2001), 2000u);
    EXPECT_EQ(index.LowerBound("z", 0), 2000u);
    EXPECT_EQ(index.Find("b", 50), OrderIndex::npos);
}
