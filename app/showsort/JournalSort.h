#pragma once
// JournalSort: what the Sort menu's choices do to the journal and to the
// settings. Sorting by a field re-sorts the journal (keeping the direction
// of its first sort key), writes the grouping field "SortType" for the
// fields that have one, and tells whether the result is shown as the tree
// (the grouping fields) or the list (subject, date, anything else), which is
// written as "TreeView". Reversing flips the direction of the first sort key.
// Plain functions over the journal and the settings store; UI thread only.

#include "DbKestrin.h"
#include "ZRegistry.h"

// Sorts the journal by the field with id `fieldId` (the high 16 bits of its
// property id). Returns true when the tree is to show the journal.
bool SortJournalByField(DbKestrin& journal, ZRegistry& settings, WORD fieldId);
// Flips the direction of the journal's first sort key; a text key (subject,
// company, categories, contacts) also becomes case-insensitive.
void ReverseJournalOrder(DbKestrin& journal);
// Is the journal's first sort key descending?
bool JournalDescending(DbKestrin& journal);
