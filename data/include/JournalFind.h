#pragma once
// Finding entries by date, subject or note text, from the first record of
// the journal in its current order (the filter is not applied: find looks
// at the whole journal). The results are entry OIDs in the order found.
//
// Subject and note searches match when the text contains the searched
// text; without match case both are compared upper-cased. Notes are
// compared by their plain text (NoteBlob), whatever form they are stored
// in. An empty search text finds nothing. The journal's cursor is left
// after the last record. Plain functions; not thread-safe (they move the
// journal's cursor).

#include "DbKestrin.h"
#include "ZTime.h"

#include <vector>

// Entries whose Date falls on the same calendar day as `day`.
std::vector<CEOID> FindEntriesOnDay(DbKestrin& journal, const ZTime& day);
std::vector<CEOID> FindEntriesBySubject(DbKestrin& journal, LPCWSTR text, bool matchCase);
std::vector<CEOID> FindEntriesByNote(DbKestrin& journal, LPCWSTR text, bool matchCase);
