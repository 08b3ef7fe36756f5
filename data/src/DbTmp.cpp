#include "DbTmp.h"

#include "JournalProps.h"
#include "RecordProps.h"

#include <vector>

namespace {

constexpr const WCHAR* kDbName = u"DbTmp";

} // namespace

BOOL DbTmp::Open()
{
    if (!Exists(kDbName)) {
        SORTORDERSPEC byDate { PROPID_DATE, CEDB_SORT_DESCENDING };
        if (!Create(kDbName, kDbType, 1, &byDate))
            return FALSE;
    }
    int busy = m_busy;
    m_busy = 0;
    BOOL opened = OpenDb(kDbName, PROPID_DATE, 0, GetNotifyWindow());
    m_busy = busy;
    return opened;
}

int DbTmp::Initialize(ZJITEMS* set)
{
    if (set == nullptr)
        return 0;
    for (const EntryFieldDef& field : ENTRY_FIELDS)
        set->Append(
            std::make_unique<DbJItem>(0, field.propId, field.label, field.ctrlType, field.flags, 0, u""));
    return set->Count();
}

CEOID DbTmp::ReadRecord(ZCeDbase& db, CEOID oid, ZJITEMS* set)
{
    if (set == nullptr)
        return 0;
    Initialize(set);
    RecordProps props;
    if (props.ReadOid(db, oid) == 0)
        return 0;
    for (WORD i = 0; i < props.Count(); ++i)
        if (DbJItem* item = set->GetItem(props.Values()[i].propid))
            item->SetProp(props.Values()[i]);
    return oid;
}

CEOID DbTmp::WriteRecord(ZCeDbase& db, CEOID oid, ZJITEMS* set)
{
    if (set == nullptr || set->IsEmpty())
        return 0;
    std::vector<CEPROPVAL> values;
    values.reserve(static_cast<std::size_t>(set->Count()));
    for (DbJItem* item : *set) {
        if (item == nullptr || item->GetItemType() != 1)
            continue;
        CEPROPVAL value = EmptyProp();
        item->GetProp(&value);
        values.push_back(value);
    }
    if (values.empty())
        return 0;
    return db.WriteProps(oid, static_cast<WORD>(values.size()), values.data());
}
