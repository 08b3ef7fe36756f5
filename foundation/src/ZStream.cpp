#include "ZStream.h"

#include "LocalHeap.h"
#include "ZString.h"
#include "ZTime.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace {

constexpr DWORD kMinimumCapacity = 64;
constexpr DWORD kMaxSize = std::numeric_limits<DWORD>::max();

// Little-endian bytes of an unsigned value, whatever the host order.
template <typename Unsigned> void PutLittleEndian(BYTE* out, Unsigned value)
{
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        out[i] = static_cast<BYTE>(value >> (8 * i));
}

template <typename Unsigned> Unsigned GetLittleEndian(const BYTE* in)
{
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        value |= static_cast<Unsigned>(in[i]) << (8 * i);
    return value;
}

} // namespace

ZStream::ZStream(const CEBLOB& blob)
{
    if (blob.lpb && blob.dwCount > 0 && Reserve(blob.dwCount)) {
        std::memcpy(m_data, blob.lpb, blob.dwCount);
        m_size = blob.dwCount;
    }
}

ZStream::~ZStream()
{
    LocalFree(m_data);
}

DWORD ZStream::Attach(BYTE* buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    Free();
    m_data = buffer;
    m_size = size;
    m_capacity = size;
    return size;
}

void ZStream::Free()
{
    m_data = static_cast<BYTE*>(LocalFree(m_data));
    m_position = m_size = m_capacity = 0;
    m_failed = FALSE;
}

DWORD ZStream::Seek(DWORD offset)
{
    DWORD old = m_position;
    if (offset <= m_size)
        m_position = offset;
    return old;
}

DWORD ZStream::Grow(DWORD n)
{
    if (m_failed || n > kMaxSize - m_size || !Reserve(m_size + n)) {
        Fail();
        return 0;
    }
    m_size += n;
    return m_size;
}

bool ZStream::Reserve(DWORD needed)
{
    if (needed <= m_capacity && m_data)
        return true;
    // Doubling keeps a long run of small writes linear; the cap keeps the
    // doubled capacity within 32 bits.
    DWORD doubled = m_capacity > kMaxSize / 2 ? kMaxSize : m_capacity * 2;
    DWORD capacity = std::max({ needed, doubled, kMinimumCapacity });
    void* block
        = m_data ? LocalReAlloc(m_data, capacity, LMEM_MOVEABLE | LMEM_ZEROINIT) : LocalAlloc(LPTR, capacity);
    if (!block)
        return false;
    m_data = static_cast<BYTE*>(block);
    m_capacity = capacity;
    return true;
}

void ZStream::Fail()
{
    m_data = static_cast<BYTE*>(LocalFree(m_data));
    m_position = m_size = m_capacity = 0;
    m_failed = TRUE;
}

DWORD ZStream::Store(const void* bytes, DWORD n)
{
    // The position never exceeds the old size, so the value fits after Grow.
    DWORD at = m_position;
    if (Grow(n) == 0)
        return 0;
    std::memcpy(m_data + at, bytes, n);
    m_position = at + n;
    return m_size;
}

DWORD ZStream::Load(void* bytes, DWORD n)
{
    DWORD available = std::min(n, Remaining());
    if (available > 0)
        std::memcpy(bytes, m_data + m_position, available);
    std::memset(static_cast<BYTE*>(bytes) + available, 0, n - available);
    m_position += available;
    return m_position;
}

template <typename Unsigned> DWORD ZStream::StoreValue(Unsigned value)
{
    BYTE bytes[sizeof(Unsigned)];
    PutLittleEndian(bytes, value);
    return Store(bytes, sizeof bytes);
}

template <typename Unsigned> Unsigned ZStream::LoadValue()
{
    BYTE bytes[sizeof(Unsigned)];
    Load(bytes, sizeof bytes);
    return GetLittleEndian<Unsigned>(bytes);
}

DWORD ZStream::WriteBytes(const void* data, DWORD n)
{
    if (!data || n == 0)
        return 0;
    return Store(data, n);
}

DWORD ZStream::WriteShort(SHORT value)
{
    return StoreValue(static_cast<WORD>(value));
}

DWORD ZStream::WriteLong(LONG value)
{
    return WriteULong(static_cast<ULONG>(value));
}

DWORD ZStream::WriteULong(ULONG value)
{
    return StoreValue(value);
}

DWORD ZStream::WriteByte(BYTE value)
{
    return Store(&value, 1);
}

DWORD ZStream::WriteLongLong(LONGLONG value)
{
    return StoreValue(static_cast<ULONGLONG>(value));
}

DWORD ZStream::WriteWideString(LPCWSTR text)
{
    if (!text) {
        WriteLong(0);
        return 0;
    }
    std::size_t count = std::char_traits<WCHAR>::length(text);
    if (count > (kMaxSize - 4) / 2) {
        Fail();
        return 0;
    }
    if (WriteLong(static_cast<LONG>(count * 2)) == 0)
        return 0;
    DWORD size = m_size;
    for (std::size_t i = 0; i < count; ++i)
        size = WriteShort(static_cast<SHORT>(text[i]));
    return size;
}

DWORD ZStream::WriteAnsiString(const char* text)
{
    if (!text) {
        WriteLong(0);
        return 0;
    }
    std::size_t count = std::strlen(text);
    if (count > kMaxSize - 4) {
        Fail();
        return 0;
    }
    if (WriteLong(static_cast<LONG>(count)) == 0)
        return 0;
    return count ? WriteBytes(text, static_cast<DWORD>(count)) : m_size;
}

DWORD ZStream::WriteBlob(const CEBLOB& blob)
{
    if (!blob.lpb) {
        WriteLong(0);
        return 0;
    }
    if (WriteLong(static_cast<LONG>(blob.dwCount)) == 0)
        return 0;
    if (blob.dwCount > 0 && WriteBytes(blob.lpb, blob.dwCount) == 0)
        return 0;
    return m_position;
}

DWORD ZStream::ReadShort(SHORT& value)
{
    value = static_cast<SHORT>(LoadValue<WORD>());
    return m_position;
}

DWORD ZStream::ReadLong(LONG& value)
{
    ULONG raw;
    ReadULong(raw);
    value = static_cast<LONG>(raw);
    return m_position;
}

DWORD ZStream::ReadULong(ULONG& value)
{
    value = LoadValue<ULONG>();
    return m_position;
}

DWORD ZStream::ReadByte(BYTE& value)
{
    return Load(&value, 1);
}

DWORD ZStream::ReadLongLong(LONGLONG& value)
{
    value = static_cast<LONGLONG>(LoadValue<ULONGLONG>());
    return m_position;
}

DWORD ZStream::ReadTime(ZTime& time)
{
    LONGLONG ticks;
    ReadLongLong(ticks);
    time.SetTicks(static_cast<ULONGLONG>(ticks));
    return m_position;
}

bool ZStream::ReadLength(DWORD& length)
{
    // Read through the virtual length reader, as the writers use WriteLong.
    LONG prefix;
    ReadLong(prefix);
    length = static_cast<DWORD>(prefix);
    if (length <= Remaining())
        return true;
    m_position = m_size;
    length = 0;
    return false;
}

DWORD ZStream::ReadZString(ZString& text)
{
    text.Empty();
    DWORD length;
    ReadLength(length);
    DWORD count = length / 2;
    std::u16string characters(count, u'\0');
    for (DWORD i = 0; i < count; ++i)
        characters[i] = GetLittleEndian<WORD>(m_data + m_position + 2 * i);
    m_position += length;
    text.Assign(characters.c_str(), static_cast<int>(count));
    return m_size;
}

template <typename Char> DWORD ZStream::ReadTextInto(Char* buffer, DWORD capacity)
{
    if (!buffer || capacity == 0)
        return 0;
    DWORD length;
    ReadLength(length);
    DWORD count = std::min<DWORD>(length / sizeof(Char), capacity - 1);
    using Unit = std::make_unsigned_t<Char>;
    for (DWORD i = 0; i < count; ++i)
        buffer[i] = static_cast<Char>(GetLittleEndian<Unit>(m_data + m_position + sizeof(Char) * i));
    buffer[count] = 0;
    m_position += length;
    return m_size;
}

DWORD ZStream::ReadWideString(LPWSTR buffer, DWORD capacity)
{
    return ReadTextInto(buffer, capacity);
}

DWORD ZStream::ReadAnsiString(char* buffer, DWORD capacity)
{
    return ReadTextInto(buffer, capacity);
}

DWORD ZStream::ReadBlob(CEBLOB& blob)
{
    blob.lpb = static_cast<BYTE*>(LocalFree(blob.lpb));
    DWORD count;
    ReadLength(count);
    blob.dwCount = count;
    if (count == 0)
        return m_size;
    blob.lpb = static_cast<BYTE*>(LocalAlloc(LPTR, count));
    if (!blob.lpb)
        return m_size;
    std::memcpy(blob.lpb, m_data + m_position, count);
    m_position += count;
    return m_size;
}
