#include "JournalGroups.h"

#include "JournalIndex.h"
#include "JournalProps.h"
#include "RecordProps.h"
#include "ZString.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

using Facts = JournalIndex::Facts;

std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

// The key names are compared by: lower case.
std::u16string Folded(const std::u16string& name)
{
    ZString folded(name.c_str());
    folded.MakeLower();
    return Text(folded);
}

const std::u16string& NoneFolded()
{
    static const std::u16string none = Folded(kNoneGroup);
    return none;
}

// The table of a field grouped by a stored 16-bit value; null for the others.
using TableText = const WCHAR* (*)(int);
TableText TableOf(DWORD field)
{
    switch (field) {
    case PROPID_TYPE:
        return TypeText;
    case PROPID_PRIORITY:
        return PriorityText;
    case PROPID_SENSITIVITY:
        return SensitivityText;
    default:
        return nullptr;
    }
}

SHORT TableValue(const Facts& facts, DWORD field)
{
    switch (field) {
    case PROPID_TYPE:
        return facts.type;
    case PROPID_PRIORITY:
        return facts.priority;
    default:
        return facts.sensitivity;
    }
}

// The groups of a field that an entry is in, answered per entry without
// touching any text: a table field by its value, the others by the ids of
// their interned names.
class GroupSelector {
public:
    // Selects group `name` (ignoring case) of `field`.
    GroupSelector(const JournalIndex& index, DWORD field, const std::u16string& name)
        : field_(field)
        , table_(TableOf(field))
    {
        const ZString wanted(name.c_str());
        none_ = wanted.EqualsNoCase(kNoneGroup) != 0;
        auto named = [&wanted](LPCWSTR text) { return wanted.EqualsNoCase(text) != 0; };
        if (table_) {
            for (int value = 0; table_(value) != nullptr; ++value)
                if (named(table_(value)))
                    tableValue_ = value;
        } else if (field == PROPID_COMPANY) {
            // An empty company is in "None" (and so is a company of that name).
            ids_ = index.Companies().Flags([&](LPCWSTR text) {
                return (text == nullptr || *text == 0) ? none_ : named(text);
            });
        } else {
            ids_ = NamesOf(index, field).Flags(named);
        }
    }

    bool Selects(const Facts& facts) const
    {
        if (table_) {
            const SHORT value = TableValue(facts, field_);
            return table_(value) == nullptr ? none_ : value == tableValue_;
        }
        if (field_ == PROPID_COMPANY)
            return ids_[facts.company] != 0;
        const std::vector<DWORD>& ids = IdsOf(facts, field_);
        if (ids.empty())
            return none_;
        return std::any_of(ids.begin(), ids.end(), [this](DWORD id) { return ids_[id] != 0; });
    }

    static const JournalIndex::Names& NamesOf(const JournalIndex& index, DWORD field)
    {
        return field == PROPID_CATEGORIES ? index.Categories() : index.Contacts();
    }
    static const std::vector<DWORD>& IdsOf(const Facts& facts, DWORD field)
    {
        return field == PROPID_CATEGORIES ? facts.categories : facts.contacts;
    }

private:
    DWORD field_;
    TableText table_;
    int tableValue_ = -1;
    bool none_ = false;
    std::vector<char> ids_;
};

// Adds `name` to `names` unless a name equal ignoring case is there.
void AddGroupName(std::map<std::u16string, std::u16string>& names, const std::u16string& name)
{
    names.emplace(Folded(name), name);
}

} // namespace

bool IsGroupingField(DWORD field)
{
    return TableOf(field) != nullptr || field == PROPID_COMPANY || IsRelationField(field);
}

bool IsRelationField(DWORD field)
{
    return field == PROPID_CATEGORIES || field == PROPID_CONTACTS;
}

int CompareGroupNames(const std::u16string& a, const std::u16string& b)
{
    const std::u16string foldedA = Folded(a);
    const std::u16string foldedB = Folded(b);
    const bool noneA = foldedA == NoneFolded();
    const bool noneB = foldedB == NoneFolded();
    if (noneA != noneB)
        return noneA ? -1 : 1;
    return foldedA.compare(foldedB);
}

std::vector<std::u16string> JournalGroupNames(DbKestrin& journal, DWORD field)
{
    std::vector<std::u16string> names;
    if (!IsGroupingField(field))
        return names;
    const JournalIndex& index = journal.Facts();
    // One pass marks the values and name ids in use; only those become texts.
    const TableText table = TableOf(field);
    const JournalIndex::Names* named = nullptr;
    if (field == PROPID_COMPANY)
        named = &index.Companies();
    else if (!table)
        named = &GroupSelector::NamesOf(index, field);
    std::vector<char> usedIds(named ? named->Count() : 0);
    std::map<int, bool> usedValues;
    bool none = false;
    for (CEOID oid : journal.ShownRows()) {
        const Facts* facts = index.Find(oid);
        if (facts == nullptr)
            continue;
        if (table) {
            usedValues[TableValue(*facts, field)] = true;
        } else if (field == PROPID_COMPANY) {
            usedIds[facts->company] = 1;
        } else {
            const std::vector<DWORD>& ids = GroupSelector::IdsOf(*facts, field);
            none = none || ids.empty();
            for (DWORD id : ids)
                usedIds[id] = 1;
        }
    }
    std::map<std::u16string, std::u16string> byFolded;
    for (const auto& [value, used] : usedValues) {
        const WCHAR* text = table(value);
        AddGroupName(byFolded, text ? std::u16string(text) : std::u16string(kNoneGroup));
    }
    for (DWORD id = 0; id < usedIds.size(); ++id) {
        if (usedIds[id] == 0)
            continue;
        const std::u16string& name = named->Name(id);
        AddGroupName(byFolded, name.empty() ? std::u16string(kNoneGroup) : name);
    }
    if (none)
        AddGroupName(byFolded, kNoneGroup);
    for (auto& [folded, name] : byFolded)
        names.push_back(name);
    std::sort(names.begin(), names.end(),
        [](const std::u16string& a, const std::u16string& b) { return CompareGroupNames(a, b) < 0; });
    return names;
}

std::vector<CEOID> JournalGroupMembers(DbKestrin& journal, DWORD field, const std::u16string& name)
{
    std::vector<CEOID> members;
    if (!IsGroupingField(field))
        return members;
    const JournalIndex& index = journal.Facts();
    const GroupSelector selector(index, field, name);
    for (CEOID oid : journal.ShownRows())
        if (const Facts* facts = index.Find(oid); facts && selector.Selects(*facts))
            members.push_back(oid);
    return members;
}

bool IsInJournalGroup(DbKestrin& journal, DWORD field, const std::u16string& name, CEOID oid)
{
    if (oid == 0 || !IsGroupingField(field))
        return false;
    const JournalIndex& index = journal.Facts();
    const Facts* facts = index.Find(oid);
    if (facts == nullptr || !GroupSelector(index, field, name).Selects(*facts))
        return false;
    const std::vector<CEOID>& shown = journal.ShownRows();
    return std::find(shown.begin(), shown.end(), oid) != shown.end();
}

void SortEntriesByDate(DbKestrin& journal, std::vector<CEOID>& oids, bool descending)
{
    // Each entry's date is looked up once; an entry without one sorts last
    // whichever way the dates run, so the order stays a strict weak order.
    const JournalIndex& index = journal.Facts();
    struct Keyed {
        std::optional<ULONGLONG> date;
        CEOID oid;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(oids.size());
    for (CEOID oid : oids) {
        const Facts* facts = index.Find(oid);
        keyed.push_back({ facts ? std::optional<ULONGLONG>(facts->date) : std::nullopt, oid });
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
        if (!a.date || !b.date)
            return a.date.has_value() && !b.date.has_value();
        return descending ? *a.date > *b.date : *a.date < *b.date;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        oids[i] = keyed[i].oid;
}

std::vector<EntryLine> ReadEntryLines(DbKestrin& journal, const std::vector<CEOID>& oids)
{
    std::vector<EntryLine> lines;
    lines.reserve(oids.size());
    for (CEOID oid : oids) {
        RecordProps props;
        if (props.ReadOid(journal, oid, { PROPID_DATE, PROPID_SUBJECT, PROPID_TYPE }) != oid)
            continue;
        const CEPROPVAL* date = props.Find(PROPID_DATE);
        const CEPROPVAL* subject = props.Find(PROPID_SUBJECT);
        const CEPROPVAL* type = props.Find(PROPID_TYPE);
        if (!date || !subject || !type)
            continue;
        EntryLine line;
        line.oid = oid;
        line.date = (static_cast<ULONGLONG>(date->val.filetime.dwHighDateTime) << 32)
            | date->val.filetime.dwLowDateTime;
        line.type = type->val.iVal;
        line.subject = Text(subject->val.lpwstr);
        lines.push_back(std::move(line));
    }
    return lines;
}
