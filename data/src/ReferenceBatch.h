#pragma once
// ReferenceBatch: the contact and category references of many entries
// written at once. Adding references entry by entry (DbKestrin::Write)
// rewrites a relation record's whole OID list per entry, which turns a
// restore of 100,000 entries without categories (all listed under "None")
// into quadratic work. The batch collects the changes per name and writes
// each relation record, and each category counter, once per Flush.
//
// The effect equals, for each entry in order, removing its old references
// (RemoveEntry: DeleteContactReferences + DeleteCatReferences) and adding
// its new ones (AddEntry: AddContactReferences + AddCatReferences), with
// one difference: a category's journal counter moves by the change of its
// relation list's length, so counters that were in step stay in step.
//
// The caller runs Flush inside its store transaction. Private to the data
// layer; not thread-safe.

#include "DbKestrin.h"

#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ReferenceBatch {
public:
    explicit ReferenceBatch(DbKestrin& journal)
        : m_journal(journal)
    {
    }

    // Takes note of the references entry `entry` holds now (read from its
    // record) so they are removed at Flush. A missing record removes nothing.
    void RemoveEntry(CEOID entry);
    // Adds the references of the Contacts and Categories fields of `set`
    // for entry `entry` (an empty list counts under "None").
    void AddEntry(CEOID entry, const ZJITEMS& set);
    // RemoveEntry(entry) then AddEntry(entry, set), reduced to the names
    // that differ (ignoring case): a name the entry keeps is not touched,
    // so rewriting an entry whose contacts and categories stay the same
    // writes no relation record. Takes the old references from the record,
    // so call it before the record is rewritten. A missing record adds all.
    void ReplaceEntry(CEOID entry, const ZJITEMS& set);
    // Writes the collected changes; the batch is empty afterwards. False
    // when a relation record or counter could not be written.
    bool Flush();
    // Forgets the collected changes.
    void Clear()
    {
        m_contacts.Clear();
        m_categories.Clear();
    }

private:
    struct NameChanges {
        std::u16string name; // as first seen
        std::vector<CEOID> added;
        std::unordered_set<CEOID> addedSet;
        std::unordered_set<CEOID> removed;
    };
    struct ChangeMap {
        // By the case-folded name: names match ignoring case.
        std::map<std::u16string, NameChanges> byKey;
        // By the name as written, so most lookups need no folding.
        std::unordered_map<std::u16string, NameChanges*> byName;
        void Clear()
        {
            byKey.clear();
            byName.clear();
        }
    };

    static NameChanges& Changes(ChangeMap& map, const std::u16string& name);
    static void Remove(ChangeMap& map, CEOID entry, const std::vector<std::u16string>& names);
    static void Add(ChangeMap& map, CEOID entry, const std::vector<std::u16string>& names);

    // Applies one name's changes to its relation record; *before and *after
    // receive the list lengths. False on a failed write.
    bool ApplyRelation(const NameChanges& changes, DWORD kind, int* before, int* after);
    bool ApplyCategoryCounter(const std::u16string& name, int delta);

    DbKestrin& m_journal;
    ChangeMap m_contacts;
    ChangeMap m_categories;
};
