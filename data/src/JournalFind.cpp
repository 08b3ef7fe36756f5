#include "JournalFind.h"

#include "JournalProps.h"
#include "NoteBlob.h"
#include "RecordProps.h"

#include <functional>
#include <string>

namespace {

// Calls `matches` with each record's value of `prop` (records that lack it
// are skipped) and collects the OIDs it accepts, in the journal's order.
std::vector<CEOID> Walk(
    DbKestrin& journal, CEPROPID prop, const std::function<bool(const CEPROPVAL&)>& matches)
{
    std::vector<CEOID> found;
    for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext()) {
        RecordProps props;
        if (props.Read(journal, { prop }) != oid)
            continue;
        const CEPROPVAL* value = props.Find(prop);
        if (value != nullptr && matches(*value))
            found.push_back(oid);
    }
    return found;
}

std::u16string Folded(std::u16string_view text, bool matchCase)
{
    if (matchCase || text.empty())
        return std::u16string(text);
    ZString upper(std::u16string(text).c_str());
    upper.MakeUpper();
    return upper.IsEmpty() ? std::u16string() : std::u16string(upper.Text());
}

// Does `text` contain `wanted` (already folded)?
bool Contains(std::u16string_view text, const std::u16string& wanted, bool matchCase)
{
    return !text.empty() && Folded(text, matchCase).find(wanted) != std::u16string::npos;
}

} // namespace

std::vector<CEOID> FindEntriesOnDay(DbKestrin& journal, const ZTime& day)
{
    return Walk(journal, PROPID_DATE,
        [&](const CEPROPVAL& value) { return day.IsSameDay(ZTime(value.val.filetime)); });
}

std::vector<CEOID> FindEntriesBySubject(DbKestrin& journal, LPCWSTR text, bool matchCase)
{
    if (text == nullptr || *text == 0)
        return {};
    std::u16string wanted = Folded(text, matchCase);
    return Walk(journal, PROPID_SUBJECT, [&](const CEPROPVAL& value) {
        return value.val.lpwstr != nullptr && Contains(value.val.lpwstr, wanted, matchCase);
    });
}

std::vector<CEOID> FindEntriesByNote(DbKestrin& journal, LPCWSTR text, bool matchCase)
{
    if (text == nullptr || *text == 0)
        return {};
    std::u16string wanted = Folded(text, matchCase);
    return Walk(journal, PROPID_NOTE,
        [&](const CEPROPVAL& value) { return Contains(NotePlainText(value.val.blob), wanted, matchCase); });
}
