#include "DbAItem.h"

DbAItem::DbAItem()
    : DItemObject(0, 0)
{
}

DbAItem::DbAItem(CEOID oid, LPCWSTR name, LPCWSTR secondText)
    : DItemObject(0, 0)
    , m_name(name)
    , m_second(secondText)
    , m_oid(oid)
{
}

std::unique_ptr<DItemObject> DbAItem::Clone() const
{
    return std::make_unique<DbAItem>(*this);
}
