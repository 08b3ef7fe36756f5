#include "NoteBlob.h"

#include "CodePage.h"

#include <array>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr char kMagic[4] = { 'K', 'N', 'T', '1' };
constexpr std::string_view kRtfStart = "{\\rtf";
constexpr std::size_t kMaxRtfDepth = 1000;

std::u16string Utf16FromBytes(const BYTE* data, std::size_t size)
{
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

// Walks the "KNT1" sections; each section is cut to the bytes present.
class SectionReader {
public:
    SectionReader(const BYTE* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    // The next section's bytes; an empty span when the blob has ended.
    std::pair<const BYTE*, std::size_t> Next()
    {
        std::size_t remaining = m_size - m_pos;
        if (remaining < 4) {
            // The writer always writes all three sections.
            m_damaged = true;
            m_pos = m_size;
            return { nullptr, 0 };
        }
        const BYTE* p = m_data + m_pos;
        std::size_t length = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::size_t>(p[3]) << 24);
        m_pos += 4;
        remaining -= 4;
        if (length > remaining) {
            m_damaged = true;
            length = remaining;
        }
        const BYTE* start = m_data + m_pos;
        m_pos += length;
        return { start, length };
    }

    bool Damaged() const { return m_damaged; }

private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = sizeof(kMagic);
    bool m_damaged = false;
};

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Groups whose content is never text when they open with one of these words.
bool IsHiddenDestination(std::string_view word)
{
    static constexpr std::array<std::string_view, 17> kHidden = {
        "fonttbl",
        "colortbl",
        "stylesheet",
        "info",
        "pict",
        "header",
        "footer",
        "headerl",
        "headerr",
        "footerl",
        "footerr",
        "object",
        "listtable",
        "listoverridetable",
        "rsidtbl",
        "themedata",
        "fldinst",
    };
    for (std::string_view hidden : kHidden)
        if (word == hidden)
            return true;
    return false;
}

class RtfReader {
public:
    RtfReader(const char* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    std::u16string Run()
    {
        while (m_pos < m_size) {
            char c = m_data[m_pos++];
            switch (c) {
            case '{':
                OpenGroup();
                break;
            case '}':
                CloseGroup();
                break;
            case '\\':
                ControlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                Byte(c);
                break;
            }
        }
        Flush();
        return std::move(m_text);
    }

private:
    struct Group {
        bool hidden;
        int fallback; // characters after \uN that stand in for it
    };

    void OpenGroup()
    {
        Flush();
        if (m_groups.size() >= kMaxRtfDepth) {
            ++m_flatDepth;
            return;
        }
        Group inner = m_groups.empty() ? Group { false, 1 } : m_groups.back();
        m_groups.push_back(inner);
        m_groupStart = true;
    }

    void CloseGroup()
    {
        Flush();
        if (m_flatDepth > 0)
            --m_flatDepth;
        else if (!m_groups.empty())
            m_groups.pop_back();
        m_groupStart = false;
    }

    bool Hidden() const { return !m_groups.empty() && m_groups.back().hidden; }
    void HideGroup()
    {
        if (!m_groups.empty())
            m_groups.back().hidden = true;
    }

    // Text bytes of a run are decoded together, so that a character written
    // as several bytes ("\'c3\'a9") comes out whole: UTF-8 when the run is
    // valid UTF-8, else Windows-1252 byte by byte.
    void Byte(char c)
    {
        m_groupStart = false;
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        if (!Hidden())
            m_bytes.push_back(c);
    }

    void Unit(char16_t ch)
    {
        m_groupStart = false;
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        Flush();
        if (!Hidden())
            m_text.push_back(ch);
    }

    void Flush()
    {
        if (m_bytes.empty())
            return;
        m_text += DecodeSystemCodePage(m_bytes);
        m_bytes.clear();
    }

    void ControlSequence()
    {
        if (m_pos >= m_size)
            return;
        char c = m_data[m_pos];
        if (IsLetter(c)) {
            ControlWord();
            return;
        }
        ++m_pos;
        bool first = m_groupStart;
        m_groupStart = false;
        switch (c) {
        case '*':
            if (first)
                HideGroup();
            break;
        case '\'':
            if (m_pos + 1 < m_size && IsHexDigit(m_data[m_pos]) && IsHexDigit(m_data[m_pos + 1])) {
                unsigned char byte
                    = static_cast<unsigned char>(HexValue(m_data[m_pos]) * 16 + HexValue(m_data[m_pos + 1]));
                m_pos += 2;
                Byte(static_cast<char>(byte));
            } else if (m_pos < m_size && IsHexDigit(m_data[m_pos])) {
                ++m_pos; // a cut-off escape stands for nothing
            }
            break;
        case '\\':
        case '{':
        case '}':
            Byte(c);
            break;
        case '~':
            Unit(u'\u00A0');
            break;
        case '_':
            Byte('-');
            break;
        case '\r':
        case '\n':
            Unit(u'\n');
            break;
        default:
            break;
        }
    }

    void ControlWord()
    {
        std::size_t start = m_pos;
        while (m_pos < m_size && IsLetter(m_data[m_pos]) && m_pos - start < 32)
            ++m_pos;
        std::string_view word(m_data + start, m_pos - start);
        bool hasParam = false;
        bool negative = false;
        long param = 0;
        if (m_pos < m_size && m_data[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        for (int digits = 0; m_pos < m_size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9';
             ++m_pos, ++digits)
            if (digits < 9) {
                param = param * 10 + (m_data[m_pos] - '0');
                hasParam = true;
            }
        if (negative)
            param = -param;
        if (m_pos < m_size && m_data[m_pos] == ' ')
            ++m_pos;

        bool first = m_groupStart;
        m_groupStart = false;
        if (first && IsHiddenDestination(word)) {
            HideGroup();
            return;
        }
        if (word == "par" || word == "line")
            Unit(u'\n');
        else if (word == "tab")
            Unit(u'\t');
        else if (word == "uc" && hasParam && !m_groups.empty())
            m_groups.back().fallback = param < 0 ? 0 : static_cast<int>(std::min(param, 16L));
        else if (word == "u" && hasParam) {
            m_skipFallback = 0;
            Unit(static_cast<char16_t>(param < 0 ? param + 65536 : param));
            m_skipFallback = m_groups.empty() ? 1 : m_groups.back().fallback;
        }
    }

    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::vector<Group> m_groups;
    std::size_t m_flatDepth = 0;
    bool m_groupStart = false;
    int m_skipFallback = 0;
    std::string m_bytes;
    std::u16string m_text;
};

constexpr DWORD kInkVersion = 1;
constexpr std::size_t kInkStrokeHeader = 4 + 2 + 4;
constexpr std::size_t kInkPointSize = 8;

void PutLE(std::vector<BYTE>& out, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

DWORD GetLE(const BYTE* p, int bytes)
{
    DWORD value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<DWORD>(p[i]) << (8 * i);
    return value;
}

void AppendSection(std::vector<BYTE>& out, const void* bytes, std::size_t size)
{
    if (size > std::numeric_limits<DWORD>::max())
        size = 0;
    DWORD length = static_cast<DWORD>(size);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>(length >> shift));
    const auto* p = static_cast<const BYTE*>(bytes);
    out.insert(out.end(), p, p + size);
}

} // namespace

NoteContent ReadNote(const BYTE* data, std::size_t size)
{
    NoteContent note;
    if (data == nullptr || size == 0)
        return note;
    if (size >= sizeof(kMagic) && std::memcmp(data, kMagic, sizeof(kMagic)) == 0) {
        note.form = NoteContent::Form::Current;
        SectionReader sections(data, size);
        auto [plain, plainSize] = sections.Next();
        note.plainText = Utf16FromBytes(plain, plainSize);
        auto [rich, richSize] = sections.Next();
        if (rich != nullptr)
            note.richText.assign(reinterpret_cast<const char*>(rich), richSize);
        auto [ink, inkSize] = sections.Next();
        if (ink != nullptr)
            note.ink.assign(ink, ink + inkSize);
        note.damaged = sections.Damaged();
        return note;
    }
    if (size >= kRtfStart.size() && std::memcmp(data, kRtfStart.data(), kRtfStart.size()) == 0) {
        note.form = NoteContent::Form::Rtf;
        note.plainText = RtfPlainText(reinterpret_cast<const char*>(data), size);
        return note;
    }
    note.form = NoteContent::Form::PlainUtf16;
    note.plainText = Utf16FromBytes(data, size);
    // Old plain notes may carry their terminator.
    if (std::size_t end = note.plainText.find(u'\0'); end != std::u16string::npos)
        note.plainText.resize(end);
    return note;
}

std::u16string NotePlainText(const BYTE* data, std::size_t size)
{
    return ReadNote(data, size).plainText;
}

std::u16string RtfPlainText(const char* data, std::size_t size)
{
    if (data == nullptr)
        return {};
    return RtfReader(data, size).Run();
}

std::vector<BYTE> WriteNote(
    std::u16string_view plainText, std::string_view richText, const std::vector<BYTE>& ink)
{
    std::vector<BYTE> out(kMagic, kMagic + sizeof(kMagic));
    std::vector<BYTE> plain;
    plain.reserve(plainText.size() * 2);
    for (char16_t ch : plainText) {
        plain.push_back(static_cast<BYTE>(ch));
        plain.push_back(static_cast<BYTE>(ch >> 8));
    }
    AppendSection(out, plain.data(), plain.size());
    AppendSection(out, richText.data(), richText.size());
    AppendSection(out, ink.data(), ink.size());
    return out;
}

std::vector<BYTE> WriteInk(const std::vector<InkStroke>& strokes)
{
    std::vector<BYTE> out;
    if (strokes.empty())
        return out;
    PutLE(out, kInkVersion, 4);
    PutLE(out, static_cast<DWORD>(strokes.size()), 4);
    for (const InkStroke& stroke : strokes) {
        PutLE(out, stroke.color, 4);
        PutLE(out, stroke.width, 2);
        PutLE(out, static_cast<DWORD>(stroke.points.size()), 4);
        for (auto [x, y] : stroke.points) {
            PutLE(out, static_cast<DWORD>(x), 4);
            PutLE(out, static_cast<DWORD>(y), 4);
        }
    }
    return out;
}

std::vector<InkStroke> ReadInk(const std::vector<BYTE>& section, bool* damaged)
{
    std::vector<InkStroke> strokes;
    bool cut = false;
    const std::size_t size = section.size();
    const BYTE* data = section.data();
    if (size != 0) {
        cut = size < 8 || GetLE(data, 4) != kInkVersion;
        std::size_t pos = 8;
        DWORD count = cut ? 0 : GetLE(data + 4, 4);
        for (DWORD i = 0; i < count; ++i) {
            if (size - pos < kInkStrokeHeader) {
                cut = true;
                break;
            }
            InkStroke stroke;
            stroke.color = GetLE(data + pos, 4);
            stroke.width = static_cast<WORD>(GetLE(data + pos + 4, 2));
            DWORD points = GetLE(data + pos + 6, 4);
            pos += kInkStrokeHeader;
            if (points == 0 || (size - pos) / kInkPointSize < points) {
                cut = true;
                break;
            }
            stroke.points.reserve(points);
            for (DWORD p = 0; p < points; ++p, pos += kInkPointSize)
                stroke.points.emplace_back(static_cast<LONG>(GetLE(data + pos, 4)),
                    static_cast<LONG>(GetLE(data + pos + 4, 4)));
            strokes.push_back(std::move(stroke));
        }
    }
    if (damaged != nullptr)
        *damaged = cut;
    return strokes;
}
