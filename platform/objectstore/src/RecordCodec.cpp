#include "RecordCodec.h"

#include <algorithm>
#include <cstring>

namespace objectstore {

namespace {

constexpr std::size_t kAlign = 8;

std::size_t AlignUp(std::size_t n)
{
    return (n + kAlign - 1) & ~(kAlign - 1);
}

// Payload size of a fixed-width type, 0 for texts and blobs.
std::size_t FixedSize(WORD type)
{
    switch (type) {
    case CEVT_I2:
    case CEVT_UI2:
        return 2;
    case CEVT_I4:
    case CEVT_UI4:
    case CEVT_BOOL:
        return 4;
    case CEVT_R8:
    case CEVT_FILETIME:
        return 8;
    default:
        return 0;
    }
}

std::uint64_t FixedBits(const CEPROPVAL& v)
{
    switch (TypeFromPropID(v.propid)) {
    case CEVT_I2:
    case CEVT_UI2:
        return v.val.uiVal;
    case CEVT_I4:
    case CEVT_UI4:
        return v.val.ulVal;
    case CEVT_BOOL:
        return static_cast<std::uint32_t>(v.val.boolVal);
    case CEVT_R8: {
        std::uint64_t bits;
        std::memcpy(&bits, &v.val.dblVal, sizeof bits);
        return bits;
    }
    case CEVT_FILETIME:
        return (std::uint64_t(v.val.filetime.dwHighDateTime) << 32) | v.val.filetime.dwLowDateTime;
    default:
        return 0;
    }
}

void SetFixedBits(CEPROPVAL& v, std::uint64_t bits)
{
    switch (TypeFromPropID(v.propid)) {
    case CEVT_I2:
    case CEVT_UI2:
        v.val.uiVal = static_cast<USHORT>(bits);
        break;
    case CEVT_I4:
    case CEVT_UI4:
        v.val.ulVal = static_cast<ULONG>(bits);
        break;
    case CEVT_BOOL:
        v.val.boolVal = static_cast<BOOL>(bits);
        break;
    case CEVT_R8:
        std::memcpy(&v.val.dblVal, &bits, sizeof bits);
        break;
    case CEVT_FILETIME:
        v.val.filetime.dwLowDateTime = static_cast<DWORD>(bits);
        v.val.filetime.dwHighDateTime = static_cast<DWORD>(bits >> 32);
        break;
    default:
        break;
    }
}

// Bytes after the CEPROPVAL array that one property needs.
std::size_t VariableSize(const PropView* p)
{
    if (!p)
        return 0;
    switch (TypeFromPropID(p->id)) {
    case CEVT_LPWSTR:
        return AlignUp(p->payload.size() + sizeof(WCHAR));
    case CEVT_BLOB:
        return AlignUp(p->payload.size());
    default:
        return 0;
    }
}

DWORD EncodePayload(const CEPROPVAL& v, std::vector<BYTE>& out)
{
    const WORD type = TypeFromPropID(v.propid);
    if (const std::size_t size = FixedSize(type)) {
        AppendLittleEndian(out, FixedBits(v), static_cast<int>(size));
        return ERROR_SUCCESS;
    }
    if (type == CEVT_LPWSTR) {
        if (v.val.lpwstr)
            for (const WCHAR* p = v.val.lpwstr; *p; ++p)
                AppendLittleEndian(out, *p, 2);
        return ERROR_SUCCESS;
    }
    if (type == CEVT_BLOB) {
        if (v.val.blob.dwCount && !v.val.blob.lpb)
            return ERROR_INVALID_PARAMETER;
        out.assign(v.val.blob.lpb, v.val.blob.lpb + v.val.blob.dwCount);
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

// Records hold a dozen properties or so: comparing pairs is cheaper than any
// set; a damaged count of thousands is sorted instead.
bool HasRepeatedId(const std::vector<PropView>& props)
{
    if (props.size() <= 32) {
        for (std::size_t i = 1; i < props.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (props[i].id == props[j].id)
                    return true;
        return false;
    }
    std::vector<CEPROPID> ids;
    ids.reserve(props.size());
    for (const PropView& p : props)
        ids.push_back(p.id);
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

} // namespace

bool IsValueType(WORD type)
{
    return FixedSize(type) != 0 || type == CEVT_LPWSTR || type == CEVT_BLOB;
}

std::uint64_t ReadLittleEndian(std::span<const BYTE> bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

void AppendLittleEndian(std::vector<BYTE>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::u16string DecodeText(std::span<const BYTE> payload)
{
    std::u16string text(payload.size() / 2, u'\0');
    for (std::size_t u = 0; u < text.size(); ++u)
        text[u] = static_cast<char16_t>(ReadLittleEndian(payload.subspan(2 * u, 2)));
    return text;
}

bool ParseRecord(std::span<const BYTE> bytes, std::vector<PropView>& out)
{
    out.clear();
    if (bytes.size() < 4)
        return false;
    const std::uint64_t count = ReadLittleEndian(bytes.first(4));
    std::size_t at = 4;
    // Each property takes at least 8 bytes, which bounds a damaged count.
    if (count > (bytes.size() - at) / 8)
        return false;
    out.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        if (bytes.size() - at < 8)
            return false;
        const auto id = static_cast<CEPROPID>(ReadLittleEndian(bytes.subspan(at, 4)));
        const std::uint64_t length = ReadLittleEndian(bytes.subspan(at + 4, 4));
        at += 8;
        if (length > bytes.size() - at)
            return false;
        const WORD type = TypeFromPropID(id);
        const std::size_t fixed = FixedSize(type);
        const bool fits
            = fixed ? length == fixed : (type == CEVT_BLOB || (type == CEVT_LPWSTR && length % 2 == 0));
        if (!fits)
            return false;
        out.push_back({ id, bytes.subspan(at, length) });
        at += length;
    }
    return at == bytes.size() && !HasRepeatedId(out);
}

DWORD MergeValues(std::vector<PropView>& props, const CEPROPVAL* values, DWORD count,
    std::vector<std::vector<BYTE>>& scratch)
{
    scratch.reserve(scratch.size() + count);
    for (DWORD i = 0; i < count; ++i) {
        const CEPROPVAL& v = values[i];
        if (!IsValueType(TypeFromPropID(v.propid)) || NumberFromPropID(v.propid) == 0)
            return ERROR_INVALID_PARAMETER;
        auto existing
            = std::find_if(props.begin(), props.end(), [&](const PropView& p) { return p.id == v.propid; });
        if (v.wFlags & CEDB_PROPDELETE) {
            if (existing != props.end())
                props.erase(existing);
            continue;
        }
        std::vector<BYTE>& payload = scratch.emplace_back();
        if (const DWORD error = EncodePayload(v, payload))
            return error;
        if (existing != props.end())
            existing->payload = payload;
        else
            props.push_back({ v.propid, payload });
    }
    return ERROR_SUCCESS;
}

std::vector<BYTE> SerializeRecord(const std::vector<PropView>& props)
{
    std::size_t size = 4;
    for (const PropView& p : props)
        size += 8 + p.payload.size();
    std::vector<BYTE> out;
    out.reserve(size);
    AppendLittleEndian(out, props.size(), 4);
    for (const PropView& p : props) {
        AppendLittleEndian(out, p.id, 4);
        AppendLittleEndian(out, p.payload.size(), 4);
        out.insert(out.end(), p.payload.begin(), p.payload.end());
    }
    return out;
}

std::size_t ReadBufferSize(const std::vector<const PropView*>& props)
{
    std::size_t size = AlignUp(props.size() * sizeof(CEPROPVAL));
    for (const PropView* p : props)
        size += VariableSize(p);
    return size;
}

void FillReadBuffer(const std::vector<const PropView*>& props, const std::vector<CEPROPID>& ids, void* buffer)
{
    auto* values = static_cast<CEPROPVAL*>(buffer);
    BYTE* tail = static_cast<BYTE*>(buffer) + AlignUp(props.size() * sizeof(CEPROPVAL));
    for (std::size_t i = 0; i < props.size(); ++i) {
        CEPROPVAL& v = values[i];
        v = CEPROPVAL {};
        const PropView* p = props[i];
        if (!p) {
            v.propid = ids[i];
            v.wFlags = CEDB_PROPNOTFOUND;
            continue;
        }
        v.propid = p->id;
        const WORD type = TypeFromPropID(p->id);
        if (type == CEVT_LPWSTR) {
            auto* text = reinterpret_cast<WCHAR*>(tail);
            const std::size_t units = p->payload.size() / 2;
            for (std::size_t u = 0; u < units; ++u)
                text[u] = static_cast<WCHAR>(p->payload[2 * u] | (p->payload[2 * u + 1] << 8));
            text[units] = 0;
            v.val.lpwstr = text;
        } else if (type == CEVT_BLOB) {
            if (!p->payload.empty())
                std::memcpy(tail, p->payload.data(), p->payload.size());
            v.val.blob.dwCount = static_cast<DWORD>(p->payload.size());
            v.val.blob.lpb = tail;
        } else {
            SetFixedBits(v, ReadLittleEndian(p->payload));
        }
        tail += VariableSize(p);
    }
}

} // namespace objectstore
