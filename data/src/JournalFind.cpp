#include "JournalFind.h"

#include "FullTextIndex.h"
#include "JournalIndex.h"
#include "JournalProps.h"
#include "NoteBlob.h"

#include <algorithm>

namespace {

std::u16string NoteSearchText(const BYTE* data, std::size_t size)
{
    return NotePlainText(data, size);
}

// The store reads notes through the note's plain text wherever a process of
// this library writes or searches them: registered when the library loads,
// before any journal can be opened.
[[maybe_unused]] const bool kNoteReaderRegistered = (CeSetFullTextReader(PROPID_NOTE, &NoteSearchText), true);

constexpr CEPROPID kIndexed[] = { PROPID_SUBJECT, PROPID_NOTE };

CEPROPID SearchedProperty(FindBy by)
{
    return by == FindBy::Subject ? PROPID_SUBJECT : PROPID_NOTE;
}

std::vector<CEOID> FindOnDay(DbKestrin& journal, const ZTime& day, CEOID after)
{
    const JournalIndex& index = journal.Facts();
    const std::vector<CEOID>& order = index.Order();
    auto from = order.begin();
    if (after != 0) {
        from = std::find(order.begin(), order.end(), after);
        if (from == order.end())
            return {};
        ++from;
    }
    // Dates are local ticks, so a calendar day is one span of ticks.
    const ULONGLONG first = day.Ticks() / ZTime::kTicksPerDay * ZTime::kTicksPerDay;
    std::vector<CEOID> found;
    for (auto it = from; it != order.end(); ++it) {
        const JournalIndex::Facts* facts = index.Find(*it);
        if (facts != nullptr && facts->date != 0 && facts->date - first < ZTime::kTicksPerDay)
            found.push_back(*it);
    }
    return found;
}

// Puts the journal's cursor on the first entry searched: the first of the
// journal, or the one after `after`. Returns its OID (0: none).
CEOID PlaceCursor(DbKestrin& journal, CEOID after)
{
    if (after == 0)
        return journal.SeekFirst();
    return journal.SeekOid(after) == after ? journal.SeekNext() : 0;
}

std::vector<CEOID> FindText(DbKestrin& journal, CEPROPID prop, const std::u16string& text, bool matchCase,
    CEOID after)
{
    std::vector<CEOID> found;
    if (!text.empty() && PlaceCursor(journal, after) != 0)
        CeFindAllText(journal.GetHandle(), prop, text.c_str(), matchCase ? TRUE : FALSE, found);
    return found;
}

} // namespace

std::vector<CEOID> FindEntries(DbKestrin& journal, const FindQuery& query)
{
    if (query.by == FindBy::Date)
        return FindOnDay(journal, query.day, query.after);
    return FindText(journal, SearchedProperty(query.by), query.text, query.matchCase, query.after);
}

DWORD CountMatches(DbKestrin& journal, const FindQuery& query)
{
    MatchCounter counter(journal, query);
    while (!counter.Step(std::chrono::milliseconds::max()))
        ;
    return counter.Count();
}

MatchCounter::MatchCounter(DbKestrin& journal, const FindQuery& query)
    : journal_(journal)
    , query_(query)
{
    if (query_.by == FindBy::Date) {
        progress_.count = static_cast<DWORD>(FindOnDay(journal_, query_.day, 0).size());
        progress_.done = TRUE;
    } else if (query_.text.empty()) {
        progress_.done = TRUE;
    }
}

bool MatchCounter::Step(std::chrono::milliseconds budget)
{
    if (Done())
        return true;
    const DWORD budgetMs = static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(budget.count(), 0, 0xFFFFFFFF));
    // A count that fails (the journal closed under it) counts nothing more.
    if (!CeCountTextSome(journal_.GetHandle(), SearchedProperty(query_.by), query_.text.c_str(),
            query_.matchCase ? TRUE : FALSE, budgetMs, &progress_))
        progress_ = CeTextCount { .done = TRUE };
    return Done();
}

bool AnsweredQuickly(DbKestrin& journal, const FindQuery& query)
{
    if (query.by == FindBy::Date)
        return true;
    // Characters, not UTF-16 units: a pair of surrogates is one.
    const auto lowSurrogates = std::count_if(
        query.text.begin(), query.text.end(), [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; });
    return query.text.size() - std::size_t(lowSurrogates) >= 3 && CeFullTextIndexReady(journal.GetOid(), SearchedProperty(query.by));
}

bool SuspendFindIndex(DbKestrin& journal)
{
    const CEOID db = journal.GetOid();
    return db != 0 && CeSuspendFullTextIndex(db) != FALSE;
}

bool FindIndexReady(DbKestrin& journal)
{
    const CEOID db = journal.GetOid();
    return db != 0
        && std::all_of(std::begin(kIndexed), std::end(kIndexed),
            [&](CEPROPID p) { return CeFullTextIndexReady(db, p) != FALSE; });
}

bool PrepareFindIndex(DbKestrin& journal, bool rebuild, ZCProgress* progress)
{
    const CEOID db = journal.GetOid();
    if (db == 0)
        return false;
    if (!rebuild && FindIndexReady(journal))
        return true;
    FullTextBuildProgress moved;
    if (progress != nullptr) {
        progress->SetRange32(0, static_cast<int>(std::min<DWORD>(journal.GetRecordCount32(), 0x7FFFFFFF)));
        progress->SetPos(0);
        moved = [progress](DWORD read) { progress->SetPos(static_cast<int>(std::min<DWORD>(read, 0x7FFFFFFF))); };
    }
    return CeBuildFullTextIndex(db, static_cast<WORD>(std::size(kIndexed)), kIndexed, moved) != FALSE;
}

std::vector<CEOID> FindEntriesOnDay(DbKestrin& journal, const ZTime& day)
{
    return FindEntries(journal, { .by = FindBy::Date, .day = day });
}

std::vector<CEOID> FindEntriesBySubject(DbKestrin& journal, LPCWSTR text, bool matchCase)
{
    return FindEntries(journal, { .by = FindBy::Subject, .text = text ? text : u"", .matchCase = matchCase });
}

std::vector<CEOID> FindEntriesByNote(DbKestrin& journal, LPCWSTR text, bool matchCase)
{
    return FindEntries(journal, { .by = FindBy::Note, .text = text ? text : u"", .matchCase = matchCase });
}
