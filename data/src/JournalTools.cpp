#include "JournalTools.h"

#include "CeDatabase.h"
#include "DbCats.h"
#include "EntryValues.h"
#include "JournalProps.h"
#include "RecordProps.h"

namespace {

std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

std::vector<CEOID> Oids(const CEBLOB& blob)
{
    ZOidsProp set(blob);
    return std::vector<CEOID>(set.begin(), set.end());
}

struct SortChoice {
    WORD fieldId;
    CEPROPID first;
    bool caseInsensitive;
    bool subjectSecond;
    DWORD sortType;
};

// The sortable fields' effects; any other id sorts by date, then subject.
constexpr SortChoice kSortChoices[] = {
    { 102, PROPID_SUBJECT, true, false, PROPID_SUBJECT },
    { 101, PROPID_DATE, false, true, 0 },
    { 105, PROPID_TYPE, false, false, PROPID_TYPE },
    { 111, PROPID_COMPANY, true, false, PROPID_COMPANY },
    { 104, PROPID_DATE, false, false, PROPID_CATEGORIES },
    { 110, PROPID_DATE, false, false, PROPID_CONTACTS },
    { 108, PROPID_SENSITIVITY, false, false, PROPID_SENSITIVITY },
    { 107, PROPID_PRIORITY, false, false, PROPID_PRIORITY },
    { 109, PROPID_DATE, false, false, PROPID_DURATION },
};

} // namespace

std::vector<CEOID> CopyEntries(DbKestrin& journal, const std::vector<CEOID>& oids)
{
    std::vector<CEOID> copies;
    for (CEOID oid : oids) {
        CEOID copy = 0;
        ZJITEMS set;
        if (oid != 0 && journal.SeekOid(oid) == oid && journal.Read(oid, &set, TRUE) == oid)
            copy = journal.Write(0, &set);
        copies.push_back(copy);
    }
    return copies;
}

std::vector<EntryLine> ListShownEntries(DbKestrin& journal)
{
    std::vector<EntryLine> lines;
    const ZFilter& filter = journal.GetFilter();
    for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext()) {
        RecordProps props;
        if (props.Read(
                journal, { PROPID_DATE, PROPID_TYPE, PROPID_SUBJECT, PROPID_CATEGORIES, PROPID_RECORDTYPE })
                != oid
            || !IsEntryRecord(props) || !PassesFilter(filter, props))
            continue;
        EntryLine line;
        line.oid = oid;
        FILETIME date = EntryValue(props, PROPID_DATE).val.filetime;
        line.date = (static_cast<ULONGLONG>(date.dwHighDateTime) << 32) | date.dwLowDateTime;
        line.type = EntryValue(props, PROPID_TYPE).val.iVal;
        line.subject = Text(EntryValue(props, PROPID_SUBJECT).val.lpwstr);
        lines.push_back(std::move(line));
    }
    return lines;
}

JournalStats GetJournalStats(DbKestrin& journal)
{
    JournalStats stats;
    stats.records = journal.GetRecordCount32();
    CEOIDINFO info {};
    if (journal.GetOid() != 0 && CeOidGetInfo(journal.GetOid(), &info) && info.wObjType == OBJTYPE_DATABASE)
        stats.sizeBytes = info.infDatabase.dwSize;
    stats.contactLinks = journal.GetRecCount(KIND_CONTACT);
    stats.categoryLinks = journal.GetRecCount(KIND_CATEGORY);
    return stats;
}

std::vector<RelationRecord> ListRelations(DbKestrin& journal)
{
    std::vector<RelationRecord> records;
    DbRelX& relx = journal.GetRelX();
    for (CEOID oid = relx.SeekFirst(); oid != 0; oid = relx.SeekNext()) {
        RecordProps props;
        if (props.Read(relx, { PROPID_RELKIND, PROPID_RELNAME, PROPID_RELCOUNT, PROPID_RELOIDS }) != oid)
            continue;
        RelationRecord record;
        if (const CEPROPVAL* kind = props.Find(PROPID_RELKIND))
            record.kind = kind->val.ulVal;
        if (const CEPROPVAL* name = props.Find(PROPID_RELNAME))
            record.name = Text(name->val.lpwstr);
        if (const CEPROPVAL* count = props.Find(PROPID_RELCOUNT))
            record.count = count->val.iVal;
        if (const CEPROPVAL* list = props.Find(PROPID_RELOIDS))
            record.oids = Oids(list->val.blob);
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<CategoryInfo> ListCategories()
{
    std::vector<CategoryInfo> categories;
    DbCats database;
    if (!database.Open(nullptr))
        return categories;
    for (CEOID oid = database.SeekFirst(); oid != 0; oid = database.SeekNext()) {
        RecordProps props;
        if (props.Read(database, { PROPID_CATNAME, PROPID_CATVISIBLE, PROPID_CATCOUNT_JOURNAL }) != oid)
            continue;
        CategoryInfo category;
        category.oid = oid;
        if (const CEPROPVAL* name = props.Find(PROPID_CATNAME))
            category.name = Text(name->val.lpwstr);
        const CEPROPVAL* visible = props.Find(PROPID_CATVISIBLE);
        category.hidden = visible == nullptr || visible->val.iVal == 0;
        if (const CEPROPVAL* count = props.Find(PROPID_CATCOUNT_JOURNAL))
            category.journalCount = count->val.iVal;
        categories.push_back(std::move(category));
    }
    database.Close();
    return categories;
}

int SortOrdersForField(WORD fieldId, bool descending, SORTORDERSPEC out[2], DWORD* sortType)
{
    SortChoice choice { fieldId, PROPID_DATE, false, true, 0 };
    for (const SortChoice& known : kSortChoices)
        if (known.fieldId == fieldId)
            choice = known;
    out[0].propid = choice.first;
    out[0].dwFlags = (descending ? DWORD(CEDB_SORT_DESCENDING) : 0u)
        | (choice.caseInsensitive ? DWORD(CEDB_SORT_CASEINSENSITIVE) : 0u);
    if (sortType != nullptr)
        *sortType = choice.sortType;
    if (!choice.subjectSecond)
        return 1;
    out[1].propid = PROPID_SUBJECT;
    out[1].dwFlags = CEDB_SORT_CASEINSENSITIVE;
    return 2;
}
