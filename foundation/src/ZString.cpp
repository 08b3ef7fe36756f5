#include "ZString.h"

#include "CodePage.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "StringTable.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {

// LoadString reads into a buffer of this many characters, terminator included.
constexpr int kLoadStringChars = 511;

std::size_t WideLength(LPCWSTR text)
{
    return std::char_traits<char16_t>::length(text);
}

// A zero-filled local-heap buffer for `chars` characters plus the terminator.
LPWSTR AllocChars(std::size_t chars)
{
    return static_cast<LPWSTR>(LocalAlloc(LMEM_ZEROINIT, (chars + 1) * sizeof(WCHAR)));
}

bool IsTitleBreak(WCHAR ch)
{
    return ch == u' ' || ch == u'\'' || ch == u'-' || ch == u'`';
}

// Maps every code point of `text` in place with `map`, keeping the length: a
// mapping that would change the number of UTF-16 units is not applied.
template <typename Map> void MapCodePoints(LPWSTR text, Map map)
{
    for (LPWSTR p = text; *p; ++p) {
        if (QChar::isHighSurrogate(p[0]) && QChar::isLowSurrogate(p[1])) {
            const char32_t mapped = map(QChar::surrogateToUcs4(p[0], p[1]));
            if (QChar::requiresSurrogates(mapped)) {
                p[0] = QChar::highSurrogate(mapped);
                p[1] = QChar::lowSurrogate(mapped);
            }
            ++p;
        } else {
            const char32_t mapped = map(p[0]);
            if (!QChar::requiresSurrogates(mapped))
                *p = static_cast<WCHAR>(mapped);
        }
    }
}

} // namespace

ZString::ZString(LPCWSTR text, int count)
{
    Assign(text, count);
}

ZString::ZString(const ZString& other)
{
    Assign(other);
}

ZString::ZString(ZString&& other) noexcept
    : m_text(std::exchange(other.m_text, nullptr))
    , m_holdsAnsi(std::exchange(other.m_holdsAnsi, false))
{
}

ZString::~ZString()
{
    Empty();
}

ZString& ZString::operator=(const ZString& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

ZString& ZString::operator=(ZString&& other) noexcept
{
    if (this != &other) {
        Empty();
        m_text = std::exchange(other.m_text, nullptr);
        m_holdsAnsi = std::exchange(other.m_holdsAnsi, false);
    }
    return *this;
}

ZString& ZString::operator=(LPCWSTR text)
{
    Assign(text);
    return *this;
}

void ZString::Empty()
{
    m_text = static_cast<LPWSTR>(LocalFree(m_text));
    m_holdsAnsi = false;
}

bool ZString::Contains(LPCWSTR pointer) const
{
    if (!m_text || !pointer)
        return false;
    const std::less_equal<LPCWSTR> notAfter;
    return notAfter(m_text, pointer) && notAfter(pointer, m_text + WideLength(m_text));
}

void ZString::Adopt(LPWSTR buffer)
{
    Empty();
    m_text = buffer;
}

int ZString::Assign(LPCWSTR text, int count)
{
    if (Contains(text)) {
        // Assigning (part of) our own text: copy it before the buffer goes.
        const ZString copy(text, count);
        return Assign(copy);
    }
    Empty();
    if (!text)
        return count;
    const std::size_t length = (count == -1 || count == -2) ? WideLength(text) : std::max(count, 0);
    LPWSTR buffer = AllocChars(length);
    if (!buffer)
        return -1;
    std::memcpy(buffer, text, length * sizeof(WCHAR));
    m_text = buffer;
    return static_cast<int>(length);
}

int ZString::Assign(LPCWSTR text)
{
    return Assign(text, -1);
}

int ZString::Assign(const ZString& other)
{
    if (!other.m_text) {
        Empty();
        return -1;
    }
    return Assign(other.m_text, -1);
}

int ZString::IsEmpty() const
{
    return (!m_text || !m_text[0]) ? 1 : 0;
}

int ZString::Length() const
{
    return IsEmpty() ? -1 : static_cast<int>(WideLength(m_text));
}

int ZString::EqualsNoCase(LPCWSTR text) const
{
    if (!m_text || !text)
        return 0;
    const QStringView mine(m_text, static_cast<qsizetype>(WideLength(m_text)));
    const QStringView theirs(text, static_cast<qsizetype>(WideLength(text)));
    return mine.compare(theirs, Qt::CaseInsensitive) == 0 ? 1 : 0;
}

LPWSTR ZString::Find(LPCWSTR text) const
{
    if (!m_text || !text)
        return nullptr;
    const std::u16string_view haystack(m_text);
    const std::size_t at = haystack.find(std::u16string_view(text));
    return at == std::u16string_view::npos ? nullptr : m_text + at;
}

LPWSTR ZString::FindChar(WCHAR ch) const
{
    const int at = FindCharFrom(ch, 0);
    return at < 0 ? nullptr : m_text + at;
}

int ZString::FindCharFrom(WCHAR ch, int start) const
{
    const int length = Length();
    if (length < 0 || start < 0 || start >= length)
        return -1;
    for (int i = start; i < length; ++i) {
        if (m_text[i] == ch)
            return i;
    }
    return -1;
}

int ZString::ReverseFindChar(WCHAR ch) const
{
    const int length = Length();
    if (length < 0)
        return -1;
    for (int i = length - 1; i >= 1; --i) {
        if (m_text[i] == ch)
            return i + 1;
    }
    return 0;
}

LPWSTR ZString::Append(LPCWSTR text)
{
    if (!text)
        return m_text;
    if (!m_text) {
        Assign(text);
        return m_text;
    }
    if (Contains(text)) {
        // The reallocation may move our buffer away from under `text`.
        const ZString copy(text);
        return Append(copy.m_text);
    }
    const std::size_t oldLength = WideLength(m_text);
    const std::size_t added = WideLength(text);
    auto* grown = static_cast<LPWSTR>(
        LocalReAlloc(m_text, (oldLength + added + 1) * sizeof(WCHAR), LMEM_MOVEABLE | LMEM_ZEROINIT));
    if (!grown)
        return m_text;
    std::memcpy(grown + oldLength, text, added * sizeof(WCHAR));
    grown[oldLength + added] = 0;
    m_text = grown;
    return m_text;
}

void ZString::AppendChar(WCHAR ch)
{
    if (ch == 0)
        return;
    const std::size_t length = m_text ? WideLength(m_text) : 0;
    auto* grown = static_cast<LPWSTR>(
        LocalReAlloc(m_text, (length + 2) * sizeof(WCHAR), LMEM_MOVEABLE | LMEM_ZEROINIT));
    if (!grown)
        return;
    grown[length] = ch;
    grown[length + 1] = 0;
    m_text = grown;
}

int ZString::Delete(int position, int count)
{
    if (!m_text)
        return -1;
    const int length = static_cast<int>(WideLength(m_text));
    if (position < 0 || count <= 0 || position >= length)
        return length;
    count = std::min(count, length - position);
    LPWSTR buffer = AllocChars(static_cast<std::size_t>(length) + 1);
    if (!buffer)
        return length;
    std::memcpy(buffer, m_text, static_cast<std::size_t>(position) * sizeof(WCHAR));
    std::memcpy(buffer + position, m_text + position + count,
        static_cast<std::size_t>(length - position - count + 1) * sizeof(WCHAR));
    Adopt(buffer);
    return length - count;
}

void ZString::TrimRight(WCHAR ch)
{
    if (IsEmpty())
        return;
    for (std::size_t i = WideLength(m_text); i > 0 && m_text[i - 1] == ch; --i)
        m_text[i - 1] = 0;
}

void ZString::TrimLeft(WCHAR ch)
{
    if (IsEmpty())
        return;
    int leading = 0;
    while (m_text[leading] == ch)
        ++leading;
    if (leading > 0)
        Delete(0, leading);
}

void ZString::MakeLower()
{
    if (m_text)
        MapCodePoints(m_text, [](char32_t c) { return QChar::toLower(c); });
}

void ZString::MakeUpper()
{
    if (m_text)
        MapCodePoints(m_text, [](char32_t c) { return QChar::toUpper(c); });
}

void ZString::MakeTitle()
{
    if (IsEmpty())
        return;
    MakeLower();
    for (std::size_t i = 0; m_text[i]; ++i) {
        const bool startsWord = i == 0 || IsTitleBreak(m_text[i - 1]);
        if (startsWord && m_text[i] >= u'a' && m_text[i] <= u'z')
            m_text[i] = static_cast<WCHAR>(m_text[i] - u'a' + u'A');
    }
}

void ZString::ReplaceChar(WCHAR from, WCHAR to)
{
    if (!m_text)
        return;
    for (LPWSTR p = m_text; *p; ++p) {
        if (*p == from)
            *p = to;
    }
}

void ZString::DoubleAmpersands()
{
    if (IsEmpty())
        return;
    const ZString copy(*this);
    Empty();
    for (LPCWSTR p = copy.m_text; *p; ++p) {
        AppendChar(*p);
        if (*p == u'&')
            AppendChar(u'&');
    }
}

void ZString::RemoveMnemonics()
{
    if (IsEmpty())
        return;
    // Deleting an ampersand moves the next character into its place; the
    // search resumes after it, so the second of a pair survives.
    for (int at = FindCharFrom(u'&', 0); at >= 0; at = FindCharFrom(u'&', at + 1))
        Delete(at, 1);
}

int ZString::LoadString(const void* /*module*/, UINT id)
{
    LPCWSTR text = FindStringResource(id);
    if (!text || !text[0]) {
        Empty();
        return -1;
    }
    const int length = static_cast<int>(std::min<std::size_t>(WideLength(text), kLoadStringChars - 1));
    return Assign(text, length);
}

int ZString::LastErrorText()
{
    Assign(ErrorText(GetLastError()));
    return Length();
}

int ZString::ToAnsi()
{
    if (!m_text || m_holdsAnsi)
        return 0;
    const std::string bytes = AnsiBytes(m_text);
    // Rounded up to whole WCHARs plus a wide terminator, so a wide reader of
    // the buffer still meets a zero.
    const std::size_t size = (bytes.size() / sizeof(WCHAR) + 2) * sizeof(WCHAR);
    auto* buffer = static_cast<LPWSTR>(LocalAlloc(LMEM_ZEROINIT, size));
    if (!buffer)
        return 0;
    std::memcpy(buffer, bytes.data(), bytes.size());
    Adopt(buffer);
    m_holdsAnsi = true;
    return static_cast<int>(bytes.size()) + 1;
}

const char* ZString::AnsiText() const
{
    return m_holdsAnsi ? reinterpret_cast<const char*>(m_text) : nullptr;
}

int ZString::FromAnsi()
{
    if (!m_holdsAnsi)
        return 0;
    ZString wide;
    const char* bytes = AnsiText();
    if (wide.AssignAnsi(bytes, std::strlen(bytes)) < 0)
        return 0;
    *this = std::move(wide);
    return static_cast<int>(WideLength(m_text)) + 1;
}

int ZString::AssignAnsi(const char* bytes, std::size_t count)
{
    if (!bytes) {
        Empty();
        return -1;
    }
    const std::u16string text = DecodeSystemCodePage(std::string_view(bytes, count));
    return Assign(text.c_str(), static_cast<int>(text.size()));
}

std::string ZString::AnsiBytes(LPCWSTR text, int count)
{
    if (!text)
        return {};
    const std::size_t length = (count == -1 || count == -2) ? WideLength(text) : std::max(count, 0);
    return EncodeSystemCodePage(std::u16string_view(text, length));
}

std::u16string ZString::ToU16() const
{
    return m_text ? std::u16string(m_text) : std::u16string();
}

QString ZString::ToQString() const
{
    return m_text ? QString::fromUtf16(m_text, static_cast<qsizetype>(WideLength(m_text))) : QString();
}

ZString ZString::FromUtf8(std::string_view bytes)
{
    ZString text;
    if (!bytes.empty())
        text.AssignAnsi(bytes);
    return text;
}

ZString ZString::FromU16(std::u16string_view text)
{
    ZString result;
    if (!text.empty())
        result.Assign(text.data(), static_cast<int>(text.size()));
    return result;
}

ZString ZString::FromQString(const QString& text)
{
    ZString result;
    if (!text.isEmpty())
        result.Assign(reinterpret_cast<LPCWSTR>(text.utf16()), static_cast<int>(text.size()));
    return result;
}
