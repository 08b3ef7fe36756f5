#include "DbJItem.h"

#include "JournalProps.h"

namespace {

constexpr const WCHAR* kNoPassword = u"<No Password>";

} // namespace

DbJItem::DbJItem()
    : DItemObject(1, 0)
    , m_label(u"")
    , m_default(u"")
{
    Value().iVal = -1;
}

DbJItem::DbJItem(int tab, CEPROPID propId, LPCWSTR label, int ctrlType, WORD flags, CEPROPID optPropId,
    LPCWSTR defaultText)
    : DItemObject(1, ctrlType)
    , m_label(label)
    , m_optPropId(optPropId)
    , m_flags(flags)
{
    SetTab(tab);
    SetPropID(propId);
    SetDefault(defaultText);
    switch (GetPropType()) {
    case CEVT_I2:
        Value().iVal = -1;
        break;
    case CEVT_I4:
        Value().lVal = -1;
        break;
    case CEVT_R8:
        Value().dblVal = -1.0;
        break;
    case CEVT_UI2:
        Value().uiVal = 0xFFFF;
        break;
    case CEVT_UI4:
        Value().ulVal = 0xFFFFFFFF;
        break;
    default:
        break;
    }
}

DbJItem::DbJItem(const DbJItem& other)
    : DItemObject(other)
    , m_label(other.m_label)
    , m_default(other.m_default)
    , m_optPropId(other.m_optPropId)
    , m_flags(other.m_flags)
{
    CloneItems(other.m_items, m_items);
    CloneItems(other.m_extra, m_extra);
}

DbJItem& DbJItem::operator=(const DbJItem& other)
{
    if (this == &other)
        return *this;
    DItemObject::operator=(other);
    m_label = other.m_label;
    m_default = other.m_default;
    m_optPropId = other.m_optPropId;
    m_flags = other.m_flags;
    DestroyItems(m_items);
    DestroyItems(m_extra);
    CloneItems(other.m_items, m_items);
    CloneItems(other.m_extra, m_extra);
    return *this;
}

DbJItem::~DbJItem()
{
    DestroyItems(m_items);
    DestroyItems(m_extra);
}

std::unique_ptr<DItemObject> DbJItem::Clone() const
{
    return std::make_unique<DbJItem>(*this);
}

void DbJItem::DestroyItems(TSList<DItemObject>& list)
{
    for (auto* node = list.Head(); node; node = node->next)
        delete node->item;
    list = TSList<DItemObject>();
}

void DbJItem::CloneItems(const TSList<DItemObject>& from, TSList<DItemObject>& to)
{
    for (auto* node = from.Head(); node; node = node->next)
        to.Append(node->item ? node->item->Clone().release() : nullptr);
}

const ZString& DbJItem::SetLabel(LPCWSTR label)
{
    m_label.Assign(label);
    return m_label;
}

void DbJItem::SetDefault(LPCWSTR text)
{
    if (text == nullptr || text[0] == 0)
        m_default.Assign(GetCtrlType() == CTRL_PASSWORD ? kNoPassword : u"");
    else
        m_default.Assign(text);
}
