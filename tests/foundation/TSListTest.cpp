#include "TSList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Items that begin with their 32-bit key, as category records do.
struct KeyedItem {
    DWORD key;
    int payload;
};

// Items that name their key through ListKey().
class NamedKeyItem {
public:
    explicit NamedKeyItem(DWORD key)
        : m_key(key)
    {
    }
    virtual ~NamedKeyItem() = default;
    DWORD ListKey() const { return m_key; }

private:
    DWORD m_key;
};

template <typename T> std::vector<T*> Walk(TSList<T>& list)
{
    std::vector<T*> seen;
    for (T* item = list.First(); item; item = list.Next())
        seen.push_back(item);
    return seen;
}

} // namespace

TEST(TSList, AppendLinksAtTheTailAndLeavesTheCursorThere)
{
    TSList<KeyedItem> list;
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Next(), nullptr) << "advancing a null cursor stays null";

    KeyedItem a { 1, 10 }, b { 2, 20 }, c { 3, 30 };
    const auto* first = list.Append(&a);
    EXPECT_EQ(list.Head(), first);
    EXPECT_EQ(list.Tail(), first);
    EXPECT_EQ(list.Cursor(), first);
    EXPECT_EQ(list.Count(), 1u);

    list.Append(&b);
    const auto* last = list.Append(&c);
    EXPECT_EQ(list.Head(), first);
    EXPECT_EQ(list.Tail(), last);
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(Walk(list), (std::vector<KeyedItem*> { &a, &b, &c }));
}

TEST(TSList, FindComparesTheLeadingKeyOrListKey)
{
    TSList<KeyedItem> list;
    EXPECT_EQ(list.Find(1), nullptr);
    KeyedItem a { 7, 1 }, b { 0x80000001u, 2 }, twin { 7, 3 };
    list.Append(&a);
    list.Append(nullptr); // null items are skipped by Find
    list.Append(&b);
    list.Append(&twin);
    EXPECT_EQ(list.Find(0x80000001u), &b);
    EXPECT_EQ(list.Current(), &b) << "cursor left on the node found";
    EXPECT_EQ(list.Next(), &twin);
    EXPECT_EQ(list.Find(7), &a) << "first match wins";
    EXPECT_EQ(list.Find(99), nullptr);

    TSList<NamedKeyItem> named;
    NamedKeyItem x(5), y(6);
    named.Append(&x);
    named.Append(&y);
    EXPECT_EQ(named.Find(6), &y);
}

TEST(TSList, RemoveKeepsHeadTailAndCountConsistent)
{
    TSList<KeyedItem> list;
    KeyedItem a { 1, 0 }, b { 2, 0 }, c { 3, 0 }, stranger { 4, 0 };

    list.Append(&a);
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Tail(), nullptr);
    EXPECT_EQ(list.Cursor(), nullptr);
    EXPECT_EQ(list.Count(), 0u);

    list.Append(&a);
    list.Append(&b);
    list.Append(&c);
    // Removing the tail makes the previous node the tail, and the next
    // Append links after it.
    EXPECT_TRUE(list.Remove(&c));
    EXPECT_EQ(list.Tail()->item, &b);
    list.Append(&c);
    EXPECT_EQ(Walk(list), (std::vector<KeyedItem*> { &a, &b, &c }));

    // Removing the head, and a middle node.
    list.Find(3);
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_EQ(list.Cursor(), list.Head()) << "cursor back on the head";
    EXPECT_EQ(list.Head()->item, &b);
    EXPECT_TRUE(list.Remove(&c));
    EXPECT_EQ(list.Head(), list.Tail());
    EXPECT_EQ(list.Count(), 1u);

    // An item not in the list changes nothing but the cursor.
    list.Append(&a);
    EXPECT_FALSE(list.Remove(&stranger));
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Current(), &b);
    EXPECT_EQ(list.Tail()->item, &a);

    // Only the first node holding a pointer goes.
    list.Append(&b);
    EXPECT_TRUE(list.Remove(&b));
    EXPECT_EQ(Walk(list), (std::vector<KeyedItem*> { &a, &b }));
}

TEST(TSList, WalkStopsAtANullItemAndMoveHandsTheNodesOver)
{
    TSList<KeyedItem> list;
    KeyedItem a { 1, 0 }, b { 2, 0 };
    list.Append(&a);
    list.Append(nullptr);
    list.Append(&b);
    EXPECT_EQ(Walk(list), std::vector<KeyedItem*> { &a });
    EXPECT_EQ(list.Count(), 3u);

    TSList<KeyedItem> moved(std::move(list));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(moved.Count(), 3u);
    list.Append(&b); // the emptied list is usable again
    list = std::move(moved);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Tail()->item, &b);
}
