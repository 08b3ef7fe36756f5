#pragma once
// ZJITEMS: the property set of one journal entry — its fields (DbJItem) in
// the order they were added. The set owns its fields: Empty() and the
// destructor destroy them.
//
// A set cannot be copied (two sets would destroy the same fields); pass it
// by reference, or move it. Clone() makes an independent deep copy. Not
// thread-safe.

#include "DbJItem.h"
#include "TSList.h"

#include <memory>

class ZJITEMS {
public:
    class Iterator {
    public:
        explicit Iterator(const TSList<DbJItem>::Node* node)
            : m_node(node)
        {
        }
        DbJItem* operator*() const { return m_node->item; }
        Iterator& operator++()
        {
            m_node = m_node->next;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_node != other.m_node; }
        bool operator==(const Iterator& other) const { return m_node == other.m_node; }

    private:
        const TSList<DbJItem>::Node* m_node;
    };

    ZJITEMS() = default;
    ZJITEMS(ZJITEMS&& other) noexcept = default;
    ZJITEMS& operator=(ZJITEMS&& other) noexcept;
    ZJITEMS(const ZJITEMS&) = delete;
    ZJITEMS& operator=(const ZJITEMS&) = delete;
    ~ZJITEMS();

    // Appends a field and takes ownership of it; returns it.
    DbJItem* Append(std::unique_ptr<DbJItem> item);
    // The first field with this property id, or null.
    DbJItem* GetItem(CEPROPID propId) const;
    // Destroys every field; the set becomes empty.
    void Empty();
    // An independent copy: every field cloned.
    ZJITEMS Clone() const;

    int Count() const { return static_cast<int>(m_list.Count()); }
    bool IsEmpty() const { return m_list.Count() == 0; }
    // Fields in set order; safe while the set is not changed.
    Iterator begin() const { return Iterator(m_list.Head()); }
    Iterator end() const { return Iterator(nullptr); }
    // The underlying list, for callers that walk with its cursor.
    TSList<DbJItem>& List() { return m_list; }

private:
    TSList<DbJItem> m_list;
};
