#pragma once
// JournalGroups: the journal split into named groups by one grouping field,
// as the entry tree shows it. The grouping fields are Type, Priority,
// Sensitivity (a group per table text), Company (a group per company text,
// ignoring case) and Categories, Contacts (a group per name; an entry with
// several is in several groups). Only entries that pass the filter count.
//
// Entries without a value fall in the group "None": an empty company, no
// category, no contact, and also a type, priority or sensitivity whose stored
// value lies outside its table (values written by other programs, old
// backups or beamed entries), which has no text of its own.
//
// Everything is answered from the journal's in-memory index (one pass over
// memory), except ReadEntryLines, which reads the store. Plain functions;
// not thread-safe (they use the journal's cursor and index).

#include "DbKestrin.h"
#include "JournalTools.h"

#include <string>
#include <vector>

// The group of entries without a value.
inline constexpr char16_t kNoneGroup[] = u"None";

// Is `field` (a property id) one of the six grouping fields?
bool IsGroupingField(DWORD field);
// Is `field` grouped by names of the relation index (categories, contacts)?
bool IsRelationField(DWORD field);

// The order of the tree's groups: "None" (ignoring case) before every other
// name, the others ignoring case; <0, 0 or >0.
int CompareGroupNames(const std::u16string& a, const std::u16string& b);

// The names of the groups that hold at least one shown entry, in
// CompareGroupNames order, each once. Empty for a field that does not group.
std::vector<std::u16string> JournalGroupNames(DbKestrin& journal, DWORD field);
// The shown entries of group `name` (ignoring case), in the journal's order.
std::vector<CEOID> JournalGroupMembers(DbKestrin& journal, DWORD field, const std::u16string& name);
// Is entry `oid` shown and in group `name`?
bool IsInJournalGroup(DbKestrin& journal, DWORD field, const std::u16string& name, CEOID oid);

// Orders `oids` by the entries' dates: earlier first, or later first when
// `descending`. Entries of equal date keep their order; entries the journal
// does not hold (deleted, unreadable) come after all others in either
// direction, in their order. A strict weak order, so any sort may use it.
void SortEntriesByDate(DbKestrin& journal, std::vector<CEOID>& oids, bool descending);

// The date, type and subject of each entry of `oids`, in that order, read
// from the store (no filter). An entry that cannot be read, or lacks its
// date, subject or type property, is left out.
std::vector<EntryLine> ReadEntryLines(DbKestrin& journal, const std::vector<CEOID>& oids);
