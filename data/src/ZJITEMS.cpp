#include "ZJITEMS.h"

ZJITEMS& ZJITEMS::operator=(ZJITEMS&& other) noexcept
{
    if (this != &other) {
        Empty();
        m_list = std::move(other.m_list);
    }
    return *this;
}

ZJITEMS::~ZJITEMS()
{
    Empty();
}

DbJItem* ZJITEMS::Append(std::unique_ptr<DbJItem> item)
{
    DbJItem* raw = item.release();
    m_list.Append(raw);
    return raw;
}

DbJItem* ZJITEMS::GetItem(CEPROPID propId) const
{
    for (DbJItem* item : *this)
        if (item && item->GetPropID() == propId)
            return item;
    return nullptr;
}

void ZJITEMS::Empty()
{
    for (DbJItem* item : *this)
        delete item;
    m_list = TSList<DbJItem>();
}

ZJITEMS ZJITEMS::Clone() const
{
    ZJITEMS copy;
    for (DbJItem* item : *this)
        copy.Append(item ? std::make_unique<DbJItem>(*item) : nullptr);
    return copy;
}
