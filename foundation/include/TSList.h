#pragma once
// TSList<T>: a singly linked list of pointers to T with one built-in cursor.
// It carries the categories of the categories database, the timers of a
// window and other small lists of objects.
//
// Ownership: the list allocates and frees its nodes; it never owns the items.
// Whoever fills a list deletes its items before the list goes. Copying is
// not allowed (two lists would free the same nodes); moving hands the nodes
// over and leaves the source empty.
//
// Walking uses the cursor:
//     for (T* item = list.First(); item; item = list.Next()) ...
// A walk stops at the first node whose item pointer is null.
//
// Not thread-safe: one thread uses one list at a time.

#include "WinTypes.h"

#include <concepts>
#include <cstring>
#include <type_traits>
#include <utility>

// Find() compares a 32-bit key at the start of each item. A type with a
// member `ListKey()` names its key that way; otherwise the type must be
// standard-layout and start with a 32-bit value, which is read as the key.
template <typename T>
concept HasListKey = requires(const T& item)
{
    {
        item.ListKey()
        } -> std::convertible_to<DWORD>;
};

template <typename T> class TSList {
public:
    // next comes first, then the item: the node layout every user of the
    // list relies on.
    struct Node {
        Node* next;
        T* item;
    };

    TSList() = default;
    ~TSList() { FreeNodes(); }
    TSList(const TSList&) = delete;
    TSList& operator=(const TSList&) = delete;
    TSList(TSList&& other) noexcept { TakeFrom(other); }
    TSList& operator=(TSList&& other) noexcept
    {
        if (this != &other) {
            FreeNodes();
            TakeFrom(other);
        }
        return *this;
    }

    // Links a new node holding `item` (null allowed) after the tail, makes it
    // the cursor and returns it.
    const Node* Append(T* item)
    {
        Node* node = new Node { nullptr, item };
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        m_current = node;
        ++m_count;
        return node;
    }

    // The first item whose 32-bit key equals `key`, leaving the cursor on its
    // node; null when there is none (the cursor is then null). Null items
    // are skipped.
    T* Find(DWORD key)
    {
        for (m_current = m_head; m_current; m_current = m_current->next)
            if (m_current->item && KeyOf(*m_current->item) == key)
                return m_current->item;
        return nullptr;
    }

    // Unlinks and frees the first node holding exactly this pointer (head and
    // tail follow). The cursor goes back to the head whether or not the item
    // was found. Returns 1 when a node was removed, else 0.
    BOOL Remove(const T* item)
    {
        BOOL removed = FALSE;
        Node* previous = nullptr;
        for (Node* node = m_head; node; previous = node, node = node->next) {
            if (node->item != item)
                continue;
            (previous ? previous->next : m_head) = node->next;
            if (m_tail == node)
                m_tail = previous;
            delete node;
            --m_count;
            removed = TRUE;
            break;
        }
        m_current = m_head;
        return removed;
    }

    // Puts the cursor on the head; returns its item, or null when empty.
    T* First()
    {
        m_current = m_head;
        return Current();
    }
    // Advances the cursor (when it is not already past the end) and returns
    // the item there; null at the end.
    T* Next()
    {
        if (m_current)
            m_current = m_current->next;
        return Current();
    }
    // The item under the cursor; null when the cursor is past the end.
    T* Current() const { return m_current ? m_current->item : nullptr; }

    DWORD Count() const { return m_count; }
    const Node* Head() const { return m_head; }
    const Node* Tail() const { return m_tail; }
    const Node* Cursor() const { return m_current; }

private:
    static DWORD KeyOf(const T& item)
    {
        if constexpr (HasListKey<T>) {
            return item.ListKey();
        } else {
            static_assert(std::is_standard_layout_v<T> && sizeof(T) >= sizeof(DWORD),
                "TSList::Find needs a ListKey() member or a standard-layout item that starts with a 32-bit "
                "key");
            DWORD key;
            std::memcpy(&key, &item, sizeof key);
            return key;
        }
    }

    void FreeNodes()
    {
        while (m_head) {
            Node* next = m_head->next;
            delete m_head;
            m_head = next;
        }
        m_tail = m_current = nullptr;
        m_count = 0;
    }

    void TakeFrom(TSList& other)
    {
        m_head = std::exchange(other.m_head, nullptr);
        m_tail = std::exchange(other.m_tail, nullptr);
        m_current = std::exchange(other.m_current, nullptr);
        m_count = std::exchange(other.m_count, 0);
    }

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    Node* m_current = nullptr;
    DWORD m_count = 0;
};
