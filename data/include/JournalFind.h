#pragma once
// Finding entries by date, subject or note text, from the first entry of the
// journal in its current order or from the entry after a given one (the
// filter is not applied: find looks at the whole journal). The results are
// entry OIDs in the journal's order.
//
// Subject and note searches match when the text contains the searched text;
// without match case both are compared upper-cased. Notes are compared by
// their plain text (NoteBlob), whatever form they are stored in: markup of
// rich text and handwriting are never searched. An empty search text finds
// nothing.
//
// Texts of three or more characters are looked up in the store's full-text
// index of subjects and notes when it is in step with the journal; otherwise
// (shorter texts, a store opened for reading whose index is behind) the
// records are walked. The answer is the same either way. PrepareFindIndex
// builds the index when it is missing or behind; after that every write,
// delete and restore keeps it in step inside its own transaction.
//
// Plain functions; not thread-safe (they use the journal's handle).

#include "DbKestrin.h"
#include "FullTextIndex.h"
#include "ZCProgress.h"
#include "ZTime.h"

#include <chrono>
#include <string>
#include <vector>

// What a search looks at; the values are the find dialog's button ids.
enum class FindBy { Date = 1078, Subject = 1079, Note = 1080 };

struct FindQuery {
    FindBy by = FindBy::Subject;
    // The day searched for (Date).
    ZTime day;
    // The text searched for (Subject, Note).
    std::u16string text;
    bool matchCase = false;
    // Search the entries after this one; 0: from the first entry.
    CEOID after = 0;
};

// The matching entries in the journal's order. Searching after an entry
// that no longer exists finds nothing.
std::vector<CEOID> FindEntries(DbKestrin& journal, const FindQuery& query);

// The number of entries of the whole journal matching the query's text or
// day (`after` is ignored): what the find dialog shows while the user types.
DWORD CountMatches(DbKestrin& journal, const FindQuery& query);

// The count of CountMatches taken in slices, so that a window can show it
// while the user types without waiting for all of it: each Step goes on for
// about the budget given (a count by date, by a short text or without the
// index is answered in the first Step). Count is a lower bound until Step
// says done. A journal written meanwhile (by this or another process) makes
// the count start again; the answer is a hint, never a fault. The journal
// must outlive the counter; drop the counter to drop the count.
class MatchCounter {
public:
    // What a keystroke in the find dialog may wait for.
    static constexpr std::chrono::milliseconds kSlice { 10 };

    MatchCounter(DbKestrin& journal, const FindQuery& query);
    // Goes on counting for about `budget`; true when the count is exact.
    bool Step(std::chrono::milliseconds budget = kSlice);
    DWORD Count() const { return progress_.count; }
    bool Done() const { return progress_.done != FALSE; }

private:
    DbKestrin& journal_;
    FindQuery query_;
    CeTextCount progress_;
};

// Whether the query is answered from memory or the index (Date; a text of
// three or more characters while the index is in step) rather than by
// walking the records: what the find dialog counts while the user types.
bool AnsweredQuickly(DbKestrin& journal, const FindQuery& query);

// Leaves the journal's full-text index behind before bulk writes (see
// CeSuspendFullTextIndex); PrepareFindIndex builds it again.
bool SuspendFindIndex(DbKestrin& journal);
// True when the full-text index covers subjects and notes and is in step
// with the journal (PrepareFindIndex has nothing to do).
bool FindIndexReady(DbKestrin& journal);
// Builds the full-text index of the journal when it is missing or behind
// (rebuild: always), moving `progress` (when given) from 0 to the journal's
// record count as it reads them. False when it cannot be built (a store
// opened for reading); searches then walk the records.
bool PrepareFindIndex(DbKestrin& journal, bool rebuild = false, ZCProgress* progress = nullptr);

std::vector<CEOID> FindEntriesOnDay(DbKestrin& journal, const ZTime& day);
std::vector<CEOID> FindEntriesBySubject(DbKestrin& journal, LPCWSTR text, bool matchCase);
std::vector<CEOID> FindEntriesByNote(DbKestrin& journal, LPCWSTR text, bool matchCase);
