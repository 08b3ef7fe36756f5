// Text searches of whole databases: through the full-text index when it is in
// step and the text is long enough, else by reading every record's text in
// file order (one pass over the database's pages). Both give the matching
// OIDs ascending; the handle's order index then puts them in its order.
// Counts go through the index in slices that resume at an index row.

#include "Store.h"

#include "CurrentStore.h"
#include "FullText.h"
#include "LastError.h"
#include "StoreInternals.h"
#include "TextMatch.h"

#include <algorithm>

namespace objectstore {

bool Store::MatchingOids(CEOID db, CEPROPID prop, const std::u16string& text, bool caseSensitive,
    std::vector<CEOID>& matches)
{
    matches.clear();
    if (FullText::UsableFor(text)) {
        const int slot = fullText_->ReadySlot(db, prop);
        if (slot >= 0) {
            if (const int rc = fullText_->Query(db, slot, text, caseSensitive, matches))
                return Fail(SqliteErrorToWin32(rc));
            return true;
        }
    }
    return WalkMatches(db, prop, text, caseSensitive, matches);
}

bool Store::WalkMatches(CEOID db, CEPROPID prop, const std::u16string& text, bool caseSensitive,
    std::vector<CEOID>& matches)
{
    matches.clear();
    const std::u16string needle = Needle(text, caseSensitive);
    std::vector<PropView> props;
    std::u16string candidate, scratch;
    Statement& q = st_->recordsOf;
    q.Bind(1, db);
    while (q.Step()) {
        // A damaged record is no match; reading it tells the reader so.
        if (!ParseRecord(q.Blob(1), props))
            continue;
        FullText::TextOf(prop, FindProp(props, prop), candidate);
        if (TextMatches(candidate, needle, caseSensitive, scratch))
            matches.push_back(static_cast<CEOID>(q.Int(0)));
    }
    const int rc = q.Error();
    q.Reset();
    if (rc)
        return Fail(SqliteErrorToWin32(rc));
    return true;
}

BOOL Store::BuildFullText(CEOID db, WORD count, const CEPROPID* props, const FullTextBuildProgress& progress)
{
    if (count > kMaxFullTextProps || (count && !props))
        return Fail(ERROR_INVALID_PARAMETER);
    const std::vector<CEPROPID> indexed(props, props + count);
    for (CEPROPID p : indexed)
        if (!FullText::Searchable(p) || std::count(indexed.begin(), indexed.end(), p) > 1)
            return Fail(ERROR_INVALID_PARAMETER);
    WriteScope scope(*this);
    if (scope.Error())
        return Fail(scope.Error());
    if (!LoadDatabase(db))
        return Fail(ERROR_FILE_NOT_FOUND);
    scope.Touch();
    st_->recordsOf.Bind(1, db);
    if (const int rc = fullText_->Build(db, indexed, st_->recordsOf, progress))
        return Fail(scope.Failed(rc));
    if (const DWORD error = scope.Commit())
        return Fail(error);
    return TRUE;
}

BOOL Store::SuspendFullText(CEOID db)
{
    WriteScope scope(*this);
    if (scope.Error())
        return Fail(scope.Error());
    if (const int rc = fullText_->LeaveBehind(db))
        return Fail(scope.Failed(rc));
    if (const DWORD error = scope.Commit())
        return Fail(error);
    return TRUE;
}

BOOL Store::FullTextReady(CEOID db, CEPROPID prop)
{
    Refresh();
    return fullText_->ReadySlot(db, prop) >= 0;
}

BOOL Store::FindAllText(HANDLE hv, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, std::vector<CEOID>& found)
{
    found.clear();
    Handle* h = Find(hv);
    if (!h)
        return FALSE;
    if (!text || !FullText::Searchable(prop))
        return Fail(ERROR_INVALID_PARAMETER);
    Refresh();
    if (!EnsureBuilt(*h))
        return FALSE;
    const Located at = Locate(*h);
    if (at.where == Where::End)
        return TRUE;
    std::vector<CEOID> matches;
    if (!MatchingOids(h->db, prop, text, caseSensitive != FALSE, matches))
        return FALSE;
    const OrderIndex& index = *h->index;
    const auto matching = [&](CEOID oid) { return std::binary_search(matches.begin(), matches.end(), oid); };
    for (std::size_t pos = index.FirstFrom(at.pos, matching); pos != OrderIndex::npos;
         pos = index.FirstFrom(pos + 1, matching))
        found.push_back(index.At(pos).oid);
    return TRUE;
}

DWORD Store::CountText(HANDLE hv, CEPROPID prop, LPCWSTR text, BOOL caseSensitive)
{
    CeTextCount progress;
    return CountTextSome(hv, prop, text, caseSensitive, std::nullopt, progress) ? progress.count : 0xFFFFFFFF;
}

BOOL Store::CountTextSome(HANDLE hv, CEPROPID prop, LPCWSTR text, BOOL caseSensitive,
    std::optional<std::chrono::milliseconds> budget, CeTextCount& progress)
{
    // The budget covers the whole call, catching up with other processes too.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (budget)
        deadline = std::chrono::steady_clock::now() + *budget;
    Handle* h = Find(hv);
    if (!h)
        return FALSE;
    if (!text || !FullText::Searchable(prop))
        return Fail(ERROR_INVALID_PARAMETER);
    if (progress.done)
        return TRUE;
    Refresh();
    // Rows counted in an older version of the database may have changed or
    // gone: such a count starts again.
    const DatabaseRow* row = LoadDatabase(h->db);
    const std::int64_t version = row ? row->version : -1;
    if (progress.version != version)
        progress = CeTextCount { .version = version };
    const std::u16string wanted = text;
    const int slot = FullText::UsableFor(wanted) ? fullText_->ReadySlot(h->db, prop) : -1;
    if (slot >= 0) {
        if (const int rc = fullText_->Count(h->db, slot, wanted, caseSensitive != FALSE, deadline, progress))
            return Fail(SqliteErrorToWin32(rc));
        return TRUE;
    }
    std::vector<CEOID> matches;
    if (!WalkMatches(h->db, prop, wanted, caseSensitive != FALSE, matches))
        return FALSE;
    progress.count = static_cast<DWORD>(matches.size());
    progress.done = TRUE;
    return TRUE;
}

} // namespace objectstore

using objectstore::Store;
using objectstore::WithStore;

void CeSetFullTextReader(CEPROPID prop, FullTextBlobReader reader)
{
    objectstore::FullText::SetReader(prop, reader);
}

BOOL CeBuildFullTextIndex(CEOID db, WORD count, const CEPROPID* props, const FullTextBuildProgress& progress)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.BuildFullText(db, count, props, progress); });
}

BOOL CeSuspendFullTextIndex(CEOID db)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.SuspendFullText(db); });
}

BOOL CeFullTextIndexReady(CEOID db, CEPROPID prop)
{
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.FullTextReady(db, prop); });
}

BOOL CeFindAllText(HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, std::vector<CEOID>& found)
{
    found.clear();
    return WithStore(BOOL(FALSE), [&](Store& s) { return s.FindAllText(db, prop, text, caseSensitive, found); });
}

DWORD CeCountText(HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive)
{
    return WithStore(DWORD(0xFFFFFFFF), [&](Store& s) { return s.CountText(db, prop, text, caseSensitive); });
}

BOOL CeCountTextSome(
    HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, DWORD budgetMs, CeTextCount* progress)
{
    if (!progress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return WithStore(BOOL(FALSE), [&](Store& s) {
        return s.CountTextSome(db, prop, text, caseSensitive, std::chrono::milliseconds(budgetMs), *progress);
    });
}
