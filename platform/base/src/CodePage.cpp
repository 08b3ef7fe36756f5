#include "CodePage.h"

#include <array>
#include <cstdint>
#include <optional>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// undefined map to the C1 control of the same number, as the platform does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the sequence a lead byte starts and the smallest code point it
// may encode (to refuse overlong forms); nothing for a byte that cannot lead.
struct LeadInfo {
    int length;
    char32_t minimum;
    char32_t bits;
};

std::optional<LeadInfo> ReadLead(unsigned char byte)
{
    if (byte < 0x80)
        return LeadInfo { 1, 0, byte };
    if ((byte & 0xE0) == 0xC0)
        return LeadInfo { 2, 0x80, static_cast<char32_t>(byte & 0x1F) };
    if ((byte & 0xF0) == 0xE0)
        return LeadInfo { 3, 0x800, static_cast<char32_t>(byte & 0x0F) };
    if ((byte & 0xF8) == 0xF0)
        return LeadInfo { 4, 0x10000, static_cast<char32_t>(byte & 0x07) };
    return std::nullopt;
}

// Strict UTF-8; nothing when the bytes are not UTF-8. An incomplete sequence
// that runs into the end is dropped when the bytes already held a complete
// multi-byte sequence (a UTF-8 text cut to a byte limit); a lone high byte at
// the end of otherwise plain bytes is more likely Windows-1252 ("caf\xE9").
std::optional<std::u16string> DecodeUtf8(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    bool sawMultiByte = false;
    while (i < bytes.size()) {
        const auto lead = ReadLead(static_cast<unsigned char>(bytes[i]));
        if (!lead)
            return std::nullopt;
        char32_t c = lead->bits;
        int taken = 1;
        for (; taken < lead->length && i + taken < bytes.size(); ++taken) {
            const auto byte = static_cast<unsigned char>(bytes[i + taken]);
            if (!IsContinuation(byte))
                return std::nullopt;
            c = (c << 6) | (byte & 0x3F);
        }
        if (taken < lead->length)
            return sawMultiByte ? std::optional(out) : std::nullopt;
        if (c < lead->minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        AppendUtf16(out, c);
        sawMultiByte = sawMultiByte || taken > 1;
        i += static_cast<std::size_t>(taken);
    }
    return out;
}

} // namespace

std::string EncodeSystemCodePage(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string DecodeSystemCodePage(std::string_view bytes)
{
    if (auto text = DecodeUtf8(bytes))
        return *std::move(text);
    return DecodeWindows1252(bytes);
}

std::u16string DecodeWindows1252(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        out += (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return out;
}
