#include "SortKey.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace objectstore {

namespace {

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void AppendBigEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// Order-preserving form of a double: positives get the sign bit set,
// negatives are inverted; -0 is taken as +0 so that the two compare equal.
std::uint64_t OrderedDoubleBits(double d)
{
    if (d == 0)
        d = 0;
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (std::uint64_t(1) << 63);
}

void AppendText(std::string& out, std::u16string_view text, bool fold)
{
    // Plain ASCII (most keys) is its own UTF-8, and folds to lower case.
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) {
        for (char16_t c : text)
            out.push_back(static_cast<char>(fold && c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c));
    } else {
        out += fold ? FoldedUtf8(text) : Utf8(text);
    }
    out.push_back('\0');
}

void AppendBlob(std::string& out, std::span<const BYTE> blob)
{
    for (BYTE b : blob) {
        out.push_back(static_cast<char>(b));
        if (b == 0)
            out.push_back('\xFF');
    }
    out.append(2, '\0');
}

// Payload of a fixed-width value given as its raw bits.
void AppendFixed(std::string& out, WORD type, std::uint64_t bits)
{
    switch (type) {
    case CEVT_I2:
        AppendBigEndian(out, (bits ^ 0x8000) & 0xFFFF, 2);
        break;
    case CEVT_UI2:
        AppendBigEndian(out, bits & 0xFFFF, 2);
        break;
    case CEVT_I4:
    case CEVT_BOOL:
        AppendBigEndian(out, (bits ^ 0x80000000u) & 0xFFFFFFFFu, 4);
        break;
    case CEVT_UI4:
        AppendBigEndian(out, bits & 0xFFFFFFFFu, 4);
        break;
    case CEVT_R8: {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        AppendBigEndian(out, OrderedDoubleBits(d), 8);
        break;
    }
    case CEVT_FILETIME:
        AppendBigEndian(out, bits, 8);
        break;
    default:
        break;
    }
}

std::string Finish(std::string key, const SORTORDERSPEC& order)
{
    if (order.dwFlags & CEDB_SORT_DESCENDING)
        for (std::size_t i = 1; i < key.size(); ++i)
            key[i] = static_cast<char>(~static_cast<unsigned char>(key[i]));
    return key;
}

} // namespace

std::string FoldedUtf8(std::u16string_view text)
{
    return ToQString(text).toCaseFolded().toStdString();
}

std::string Utf8(std::u16string_view text)
{
    return ToQString(text).toStdString();
}

std::string SortKeyOfStored(const SORTORDERSPEC& order, const PropView* value)
{
    if (!value)
        return {};
    std::string key(1, '\x01');
    const WORD type = TypeFromPropID(order.propid);
    const bool fold = order.dwFlags & CEDB_SORT_CASEINSENSITIVE;
    if (type == CEVT_LPWSTR) {
        AppendText(key, DecodeText(value->payload), fold);
    } else if (type == CEVT_BLOB) {
        AppendBlob(key, value->payload);
    } else {
        AppendFixed(key, type, ReadLittleEndian(value->payload));
    }
    return Finish(std::move(key), order);
}

std::string SortKeyOfValue(const SORTORDERSPEC& order, const CEPROPVAL& value)
{
    std::string key(1, '\x01');
    const WORD type = TypeFromPropID(order.propid);
    const bool fold = order.dwFlags & CEDB_SORT_CASEINSENSITIVE;
    switch (type) {
    case CEVT_LPWSTR:
        AppendText(
            key, value.val.lpwstr ? std::u16string_view(value.val.lpwstr) : std::u16string_view(), fold);
        break;
    case CEVT_BLOB:
        AppendBlob(key, { value.val.blob.lpb, value.val.blob.lpb ? value.val.blob.dwCount : 0 });
        break;
    case CEVT_I2:
    case CEVT_UI2:
        AppendFixed(key, type, value.val.uiVal);
        break;
    case CEVT_I4:
    case CEVT_UI4:
        AppendFixed(key, type, value.val.ulVal);
        break;
    case CEVT_BOOL:
        AppendFixed(key, type, static_cast<std::uint32_t>(value.val.boolVal));
        break;
    case CEVT_R8: {
        std::uint64_t bits;
        std::memcpy(&bits, &value.val.dblVal, sizeof bits);
        AppendFixed(key, type, bits);
        break;
    }
    case CEVT_FILETIME:
        AppendFixed(key, type,
            (std::uint64_t(value.val.filetime.dwHighDateTime) << 32) | value.val.filetime.dwLowDateTime);
        break;
    default:
        break;
    }
    return Finish(std::move(key), order);
}

} // namespace objectstore
