#include "DbCats.h"

#include "JournalProps.h"
#include "RecordProps.h"

#include <vector>

BOOL DbCats::Open(HWND notifyWindow)
{
    return OpenCategories(PROPID_CATNAME, notifyWindow);
}

int DbCats::Initialize(TSList<DbCItem>* list)
{
    if (list == nullptr)
        return 0;
    list->Append(new DbCItem(PROPID_CATNAME));
    return static_cast<int>(list->Count());
}

CEOID DbCats::Read(CEOID oid, TSList<DbCItem>* list)
{
    if (list == nullptr)
        return 0;
    RecordProps props;
    if (props.ReadOid(*this, oid) == 0)
        return 0;
    for (auto* node = list->Head(); node && node->item; node = node->next) {
        DbCItem& item = *node->item;
        for (WORD i = 0; i < props.Count(); ++i)
            item.SetProp(props.Values()[i]);
        if (item.GetPropID() == PROPID_CATNAME) {
            item.SetOid(oid);
            item.SetName(item.GetStrValue());
        }
    }
    return oid;
}

CEOID DbCats::Write(CEOID oid, TSList<DbCItem>* list)
{
    if (list == nullptr || list->Count() == 0)
        return 0;
    std::vector<CEPROPVAL> values;
    for (auto* node = list->Head(); node && node->item; node = node->next) {
        if (node->item->GetItemType() != 1)
            continue;
        CEPROPVAL value = EmptyProp();
        node->item->GetProp(&value);
        values.push_back(value);
    }
    if (values.empty())
        return 0;
    return WriteProps(oid, static_cast<WORD>(values.size()), values.data());
}
