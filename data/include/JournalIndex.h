#pragma once
// JournalIndex: what the filter and the tree ask of every entry, kept in
// memory beside the journal: the entries' OIDs in the journal's current sort
// order, and per entry its date, type, priority, sensitivity, company,
// category and contact names. Asking the store record by record costs about
// 12 us an entry (1.2 s at 100,000 entries); with the index a filter change
// is one pass over memory.
//
// The index is built on first use by one walk over the journal and then kept
// in step by the owner: Put after each write of its own, Remove after each
// delete, Invalidate when anything else may have changed the journal (a sort
// change, another handle or process). The rows that pass the filter are
// recomputed when the filter's generation or the index changes.
//
// Owned by DbKestrin (its header needs the type); callers use DbKestrin.
// Not thread-safe.

#include "CeDbTypes.h"
#include "ZCeDbase.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class RecordProps;
class ZFilter;
class ZJITEMS;

class JournalIndex {
public:
    struct Facts {
        ULONGLONG date = 0;
        SHORT type = -1;
        SHORT priority = -1;
        SHORT sensitivity = -1;
        DWORD company = 0;
        std::vector<DWORD> categories;
        std::vector<DWORD> contacts;
    };

    // Interned names: equal texts share one id.
    class Names {
    public:
        DWORD Intern(LPCWSTR name);
        const std::u16string& Name(DWORD id) const { return m_names[id]; }
        DWORD Count() const { return static_cast<DWORD>(m_names.size()); }
        // One flag per id: does its name equal `name` ignoring case?
        std::vector<char> Matching(LPCWSTR name) const;
        // One flag per id: is `chosen` true for its name?
        std::vector<char> Flags(const std::function<bool(LPCWSTR)>& chosen) const;

    private:
        std::unordered_map<std::u16string, DWORD> m_ids;
        std::vector<std::u16string> m_names;
    };

    bool IsBuilt() const { return m_built; }
    void Invalidate();
    // Walks `journal` in its current order and reads every entry's facts.
    void Build(ZCeDbase& journal);
    // Entry `oid` was written with `set`: takes its facts and moves it to its
    // place in the order (asked of the journal).
    void Put(ZCeDbase& journal, CEOID oid, const ZJITEMS& set);
    void Remove(CEOID oid);

    const std::vector<CEOID>& Order() const { return m_order; }
    const Facts* Find(CEOID oid) const;
    const Names& Categories() const { return m_categories; }
    const Names& Contacts() const { return m_contacts; }
    const Names& Companies() const { return m_companies; }

    // The entries passing `filter`, in order.
    const std::vector<CEOID>& Rows(const ZFilter& filter);
    // Does the entry pass `filter`?
    bool Passes(const Facts& facts, const ZFilter& filter);

private:
    void Refresh(const ZFilter& filter);
    Facts FactsOf(const ZJITEMS& set);
    Facts FactsOfRecord(const RecordProps& props);
    // Reads the facts of every record of `records`, in its order, into m_facts.
    void ReadFacts(ZCeDbase& records);

    bool m_built = false;
    std::vector<CEOID> m_order;
    std::unordered_map<CEOID, Facts> m_facts;
    Names m_categories;
    Names m_contacts;
    Names m_companies;

    // The filter's view, recomputed when filter or index change.
    std::vector<CEOID> m_rows;
    std::vector<char> m_chosen; // per category id
    bool m_noneChosen = false;
    bool m_viewValid = false;
    DWORD m_viewGeneration = 0;
    DWORD m_version = 0;
    DWORD m_viewVersion = 0;
};
