#include "DbCItem.h"

DbCItem::DbCItem(CEPROPID propId)
    : DItemObject(1, 0)
{
    SetPropID(propId);
    SetTab(0);
}

DbCItem::DbCItem(CEOID oid, LPCWSTR name, CEPROPID propId)
    : DbCItem(propId)
{
    m_oid = oid;
    m_name.Assign(name);
}

std::unique_ptr<DItemObject> DbCItem::Clone() const
{
    return std::make_unique<DbCItem>(*this);
}
