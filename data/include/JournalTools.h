#pragma once
// Journal operations that the program's screens combine from the data
// classes and that the command line needs without a screen: copying
// entries, the maintenance figures, listings of the relation index and the
// categories and the sort orders behind each sortable field. Plain functions and values; not thread-safe
// (they use the journal's cursor).

#include "DbKestrin.h"
#include "ZTime.h"

#include <string>
#include <vector>

// Duplicates each entry (as the list's "Create Copy" does): an entry that
// exists and passes the filter is read and written as a new entry with all
// its fields. Returns the new OIDs in order, 0 for an entry not copied.
std::vector<CEOID> CopyEntries(DbKestrin& journal, const std::vector<CEOID>& oids);

// What the list shows of one entry.
struct EntryLine {
    CEOID oid = 0;
    ULONGLONG date = 0;
    SHORT type = -1;
    std::u16string subject;
};
// The entries passing the filter, in the journal's order, with their date,
// type and subject: one read of the store per entry.
std::vector<EntryLine> ListShownEntries(DbKestrin& journal);

// The maintenance figures.
struct JournalStats {
    DWORD records = 0; // every record of the journal database
    DWORD contactLinks = 0; // contact records of the relation index
    DWORD categoryLinks = 0; // category records of the relation index
    DWORD sizeBytes = 0; // the journal database's size
};
JournalStats GetJournalStats(DbKestrin& journal);

// One record of the relation index.
struct RelationRecord {
    DWORD kind = 0; // KIND_CONTACT or KIND_CATEGORY (others as stored)
    std::u16string name;
    int count = 0; // the stored use count
    std::vector<CEOID> oids;
};
// Every relation record in the index's order.
std::vector<RelationRecord> ListRelations(DbKestrin& journal);

// One category of the shared categories database.
struct CategoryInfo {
    CEOID oid = 0;
    std::u16string name;
    bool hidden = false;
    int journalCount = 0; // the journal's use counter (0 when absent)
};
// Every category in the database's name order; empty when it cannot be
// opened.
std::vector<CategoryInfo> ListCategories();

// The journal sort orders the program sets when the user sorts by the
// field with id `fieldId` (the high 16 bits of its property id), with the
// first key descending or not. Writes up to two specifications to `out` and
// returns their count. `sortType` receives the grouping value the program
// stores for that field, 0 when it stores none.
int SortOrdersForField(WORD fieldId, bool descending, SORTORDERSPEC out[2], DWORD* sortType);
