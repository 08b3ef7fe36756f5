#include "DItemObject.h"

#include "LocalHeap.h"

#include <cstring>

DItemObject::DItemObject(int itemType, int ctrlType)
    : m_itemType(itemType)
    , m_ctrlType(ctrlType)
{
}

DItemObject::DItemObject(const DItemObject& other)
    : m_itemType(other.m_itemType)
    , m_ctrlType(other.m_ctrlType)
    , m_changed(other.m_changed)
    , m_loc(other.m_loc)
    , m_tab(other.m_tab)
    , m_prop(other.m_prop)
    , m_text(other.m_text)
{
    if (other.m_ownsBlob)
        CopyBlobFrom(other.m_prop.val.blob);
}

DItemObject& DItemObject::operator=(const DItemObject& other)
{
    if (this == &other)
        return *this;
    ReleaseBlob();
    m_itemType = other.m_itemType;
    m_ctrlType = other.m_ctrlType;
    m_changed = other.m_changed;
    m_loc = other.m_loc;
    m_tab = other.m_tab;
    m_prop = other.m_prop;
    m_text = other.m_text;
    if (other.m_ownsBlob)
        CopyBlobFrom(other.m_prop.val.blob);
    return *this;
}

DItemObject::~DItemObject()
{
    ReleaseBlob();
}

std::unique_ptr<DItemObject> DItemObject::Clone() const
{
    return std::make_unique<DItemObject>(*this);
}

void DItemObject::ReleaseBlob()
{
    if (m_ownsBlob)
        LocalFree(m_prop.val.blob.lpb);
    m_ownsBlob = false;
}

// Replaces the value bytes by a private copy of `blob` (empty when `blob` is
// empty or memory is short). The caller has released any previous buffer.
void DItemObject::CopyBlobFrom(const CEBLOB& blob)
{
    m_prop.val.blob = CEBLOB { 0, nullptr };
    m_ownsBlob = false;
    if (blob.dwCount == 0 || blob.lpb == nullptr)
        return;
    auto* buffer = static_cast<BYTE*>(LocalAlloc(LPTR, blob.dwCount));
    if (buffer == nullptr)
        return;
    std::memcpy(buffer, blob.lpb, blob.dwCount);
    m_prop.val.blob = CEBLOB { blob.dwCount, buffer };
    m_ownsBlob = true;
}

LPCWSTR DItemObject::GetStrValue() const
{
    return m_text.Text();
}

int DItemObject::SetStrValue(LPCWSTR text)
{
    MarkChanged();
    return m_text.Assign(text);
}

SHORT DItemObject::GetShort() const
{
    return m_prop.val.iVal;
}
USHORT DItemObject::GetUShort() const
{
    return m_prop.val.uiVal;
}
LONG DItemObject::GetLong() const
{
    return m_prop.val.lVal;
}
ULONG DItemObject::GetULong() const
{
    return m_prop.val.ulVal;
}
FILETIME DItemObject::GetFileTime() const
{
    return m_prop.val.filetime;
}
BOOL DItemObject::GetBool() const
{
    return m_prop.val.boolVal;
}
double DItemObject::GetDouble() const
{
    return m_prop.val.dblVal;
}
const CEBLOB* DItemObject::GetBlob() const
{
    return &m_prop.val.blob;
}

void DItemObject::SetShort(SHORT value)
{
    ReleaseBlob();
    m_prop.val.iVal = value;
    MarkChanged();
}

void DItemObject::SetUShort(USHORT value)
{
    ReleaseBlob();
    m_prop.val.uiVal = value;
    MarkChanged();
}

void DItemObject::SetLong(LONG value)
{
    ReleaseBlob();
    m_prop.val.lVal = value;
    MarkChanged();
}

void DItemObject::SetULong(ULONG value)
{
    ReleaseBlob();
    m_prop.val.ulVal = value;
    MarkChanged();
}

void DItemObject::SetFileTime(const FILETIME& value)
{
    ReleaseBlob();
    m_prop.val.filetime = value;
    MarkChanged();
}

void DItemObject::SetBool(BOOL value)
{
    ReleaseBlob();
    m_prop.val.boolVal = value;
    MarkChanged();
}

void DItemObject::SetDouble(double value)
{
    ReleaseBlob();
    m_prop.val.dblVal = value;
    MarkChanged();
}

void DItemObject::SetBlob(const CEBLOB* blob)
{
    ReleaseBlob();
    m_prop.val.blob = CEBLOB { 0, nullptr };
    if (blob == nullptr || blob->dwCount == 0 || blob->lpb == nullptr)
        return;
    CopyBlobFrom(*blob);
    MarkChanged();
}

CEPROPID DItemObject::SetPropID(CEPROPID id)
{
    CEPROPID previous = m_prop.propid;
    m_prop.propid = id;
    return previous;
}

WORD DItemObject::SetPropType(WORD type)
{
    WORD previous = GetPropType();
    m_prop.propid = (m_prop.propid & 0xFFFF0000u) | type;
    return previous;
}

int DItemObject::SetTab(int tab)
{
    int previous = m_tab;
    m_tab = tab;
    return previous;
}

void DItemObject::GetProp(CEPROPVAL* out)
{
    out->propid = m_prop.propid;
    out->wLenData = 0;
    out->wFlags = 0;
    switch (GetPropType()) {
    case CEVT_I2:
    case CEVT_UI2:
        out->val.uiVal = m_prop.val.uiVal;
        break;
    case CEVT_I4:
    case CEVT_BOOL:
    case CEVT_UI4:
        out->val.ulVal = m_prop.val.ulVal;
        break;
    case CEVT_R8:
    case CEVT_FILETIME:
    case CEVT_BLOB:
        out->val = m_prop.val;
        break;
    case CEVT_LPWSTR:
        // An empty text is written as "", never as a missing value.
        if (m_text.Text() == nullptr)
            m_text.Assign(u"");
        out->val.lpwstr = m_text.Text();
        break;
    default:
        break;
    }
}

int DItemObject::SetProp(const CEPROPVAL& value)
{
    if (value.propid != m_prop.propid)
        return 0;
    if (value.wFlags & CEDB_PROPNOTFOUND)
        return 1;
    switch (GetPropType()) {
    case CEVT_I2:
    case CEVT_UI2:
        ReleaseBlob();
        m_prop.val.uiVal = value.val.uiVal;
        break;
    case CEVT_I4:
    case CEVT_BOOL:
    case CEVT_UI4:
        ReleaseBlob();
        m_prop.val.ulVal = value.val.ulVal;
        break;
    case CEVT_R8:
    case CEVT_FILETIME:
        ReleaseBlob();
        m_prop.val.filetime = value.val.filetime;
        break;
    case CEVT_LPWSTR:
        m_text.Assign(value.val.lpwstr);
        break;
    case CEVT_BLOB:
        if (value.val.blob.dwCount != 0 && value.val.blob.lpb != nullptr) {
            ReleaseBlob();
            CopyBlobFrom(value.val.blob);
        }
        break;
    default:
        break;
    }
    return 1;
}
