#include "DbRelX.h"

#include "CategoryLink.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "RecordProps.h"
#include "StoreBatch.h"

#include <algorithm>
#include <array>

namespace {

constexpr const WCHAR* kDbName = u"DbRelX";
constexpr std::array<CEPROPID, 4> kSortProps
    = { PROPID_RELNAME, PROPID_RELCOUNT, PROPID_RELKIND, PROPID_RELOIDS };
constexpr int kCountLimit = 0x7FFF;

SHORT StoredCount(const ZOidsProp& list)
{
    return static_cast<SHORT>(std::min(list.Count(), kCountLimit));
}

// Writes count and list into record `oid`.
CEOID WriteCountAndList(ZCeDbase& db, CEOID oid, const ZOidsProp& list)
{
    std::array<CEPROPVAL, 2> values;
    values.fill(EmptyProp());
    values[0].propid = PROPID_RELCOUNT;
    values[0].val.iVal = StoredCount(list);
    values[1].propid = PROPID_RELOIDS;
    list.GetBlob(&values[1].val.blob);
    CEOID written = db.WriteProps(oid, static_cast<WORD>(values.size()), values.data());
    LocalFree(values[1].val.blob.lpb);
    return written;
}

// Reads the OID list of relation record `oid` into `list` (emptied first).
bool ReadOidList(ZCeDbase& db, CEOID oid, ZOidsProp& list)
{
    RecordProps props;
    if (props.ReadOid(db, oid, { PROPID_RELOIDS }) == 0)
        return false;
    list.Empty();
    if (const CEPROPVAL* oids = props.Find(PROPID_RELOIDS))
        list.Copy(oids->val.blob);
    return true;
}

} // namespace

BOOL DbRelX::Open(HWND notifyWindow)
{
    if (!Exists(kDbName)) {
        SORTORDERSPEC byName { PROPID_RELNAME, CEDB_SORT_CASEINSENSITIVE };
        if (!Create(kDbName, kDbType, 1, &byName))
            return FALSE;
    }
    int busy = m_busy;
    m_busy = 0;
    BOOL opened = FALSE;
    for (CEPROPID sortProp : kSortProps)
        if ((opened = OpenDb(kDbName, sortProp, 0, notifyWindow)))
            break;
    m_busy = busy;
    return opened;
}

CEOID DbRelX::Find(LPCWSTR name, DWORD kind)
{
    if (name == nullptr)
        return 0;
    CEPROPVAL key = EmptyProp();
    key.propid = PROPID_RELNAME;
    key.val.lpwstr = const_cast<LPWSTR>(name);
    for (CEOID oid = SeekValueFirst(&key); oid != 0; oid = SeekValueNext(oid, &key))
        if (GetType(oid) == kind)
            return oid;
    return 0;
}

DWORD DbRelX::GetType(CEOID oid)
{
    RecordProps props;
    if (props.ReadOid(*this, oid, { PROPID_RELKIND }) == 0)
        return 0xFFFFFFFF;
    const CEPROPVAL* kind = props.Find(PROPID_RELKIND);
    return kind ? kind->val.ulVal : 0xFFFFFFFF;
}

DWORD DbRelX::GetCount(DWORD kind)
{
    DWORD count = 0;
    for (CEOID oid = SeekFirst(); oid != 0; oid = SeekNext()) {
        RecordProps props;
        if (props.Read(*this, { PROPID_RELKIND }) == 0)
            continue;
        const CEPROPVAL* value = props.Find(PROPID_RELKIND);
        if (value && value->val.ulVal == kind)
            ++count;
    }
    return count;
}

BOOL DbRelX::GetText(CEOID oid, ZString& name, ZOidsProp& list, DWORD kind)
{
    name.Empty();
    list.Empty();
    RecordProps props;
    if (props.ReadOid(*this, oid, { PROPID_RELNAME, PROPID_RELKIND, PROPID_RELOIDS }) == 0)
        return FALSE;
    const CEPROPVAL* readKind = props.Find(PROPID_RELKIND);
    if (readKind == nullptr || readKind->val.ulVal != kind)
        return FALSE;
    if (const CEPROPVAL* readName = props.Find(PROPID_RELNAME))
        name.Assign(readName->val.lpwstr);
    if (const CEPROPVAL* oids = props.Find(PROPID_RELOIDS))
        list.Copy(oids->val.blob);
    return !name.IsEmpty();
}

BOOL DbRelX::GetOidList(LPCWSTR name, ZOidsProp& list, DWORD kind)
{
    CEOID oid = Find(name, kind);
    return oid != 0 && ReadOidList(*this, oid, list);
}

BOOL DbRelX::AddUse(CEOID entry, LPCWSTR name, DWORD kind)
{
    ObjectStoreTransaction transaction;
    CEOID oid = Find(name, kind);
    if (oid == 0) {
        std::array<CEPROPVAL, 4> values;
        values.fill(EmptyProp());
        values[0].propid = PROPID_RELNAME;
        values[0].val.lpwstr = const_cast<LPWSTR>(name);
        values[1].propid = PROPID_RELCOUNT;
        values[2].propid = PROPID_RELOIDS;
        values[3].propid = PROPID_RELKIND;
        values[3].val.ulVal = kind;
        oid = WriteProps(0, static_cast<WORD>(values.size()), values.data());
        if (oid == 0)
            return FALSE;
    }
    ZOidsProp list;
    if (!ReadOidList(*this, oid, list))
        return FALSE;
    list += entry;
    if (WriteCountAndList(*this, oid, list) == 0)
        return FALSE;
    return CommitBatch(transaction);
}

BOOL DbRelX::RemoveUse(CEOID entry, LPCWSTR name, DWORD kind)
{
    ObjectStoreTransaction transaction;
    CEOID oid = Find(name, kind);
    if (oid == 0)
        return FALSE;
    ZOidsProp list;
    if (!ReadOidList(*this, oid, list))
        return FALSE;
    list.Remove(entry);
    BOOL done
        = list.Count() == 0 ? CeDeleteRecord(GetHandle(), oid) : WriteCountAndList(*this, oid, list) != 0;
    return done && CommitBatch(transaction);
}

BOOL DbRelX::IncContactUse(CEOID entry, const DbAItem* item)
{
    if (item == nullptr)
        return FALSE;
    return AddUse(entry, item->GetName(), KIND_CONTACT);
}

BOOL DbRelX::DecContactUse(CEOID entry, const DbAItem* item)
{
    if (item == nullptr)
        return FALSE;
    return RemoveUse(entry, item->GetName(), KIND_CONTACT);
}

BOOL DbRelX::IncCategoryUse(CEOID entry, DbCItem* item)
{
    if (item == nullptr)
        return FALSE;
    ObjectStoreTransaction transaction;
    BOOL result = FALSE;
    DbCats categories;
    if (categories.Open(nullptr)) {
        CEOID category = categories.FindCategory(item->GetName());
        if (category == 0) {
            category = categories.AddCategory(item->GetName(), PROPID_CATCOUNT_JOURNAL);
            if (item->GetName().EqualsNoCase(NONE_NAME))
                categories.HideCategory(category);
        }
        item->SetOid(category);
        result = categories.IncCategoryCount(category, PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }
    if (AddUse(entry, item->GetName(), KIND_CATEGORY))
        result = TRUE;
    return CommitBatch(transaction) && result;
}

BOOL DbRelX::DecCategoryUse(CEOID entry, const DbCItem* item)
{
    if (item == nullptr)
        return FALSE;
    ObjectStoreTransaction transaction;
    BOOL result = FALSE;
    DbCats categories;
    if (categories.Open(nullptr)) {
        const CEOID category = FindStoredCategory(categories, item->GetOid(), item->GetName());
        result = category != 0 && categories.DecCategoryCount(category, PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }
    if (RemoveUse(entry, item->GetName(), KIND_CATEGORY))
        result = TRUE;
    return CommitBatch(transaction) && result;
}
