#include "CategoryLink.h"

#include "JournalProps.h"
#include "RecordProps.h"

bool ReadCategoryName(ZDbCategories& categories, CEOID oid, ZString& name)
{
    if (oid == 0)
        return false;
    RecordProps props;
    if (props.ReadOid(categories, oid, { PROPID_CATNAME }) != oid)
        return false;
    const CEPROPVAL* value = props.Find(PROPID_CATNAME);
    if (!value || !value->val.lpwstr)
        return false;
    name.Assign(value->val.lpwstr);
    return true;
}

CEOID FindStoredCategory(ZDbCategories& categories, CEOID oid, LPCWSTR name)
{
    ZString current;
    if (name && ReadCategoryName(categories, oid, current) && current.EqualsNoCase(name))
        return oid;
    return name ? categories.FindCategory(name) : 0;
}

std::vector<DbCItem> VisibleCategories(ZDbCategories& categories)
{
    std::vector<DbCItem> visible;
    for (CEOID oid = categories.SeekFirst(); oid != 0; oid = categories.SeekNext()) {
        RecordProps props;
        if (props.Read(categories, { PROPID_CATNAME, PROPID_CATVISIBLE }) != oid)
            continue;
        const CEPROPVAL* name = props.Find(PROPID_CATNAME);
        const CEPROPVAL* shown = props.Find(PROPID_CATVISIBLE);
        if (name && name->val.lpwstr && shown && shown->val.iVal != 0)
            visible.emplace_back(oid, name->val.lpwstr);
    }
    return visible;
}
