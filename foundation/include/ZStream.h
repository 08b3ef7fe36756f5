#pragma once
// ZStream: a growable in-memory byte buffer with typed little-endian writes
// and reads. It is the serialisation of the packed contact and category
// lists, of the backup file and of the beamed message.
//
// Encoding (no alignment, no type tags, values follow each other directly):
//   byte 1 byte; short 2; long and unsigned long 4; long long and time 8
//   (little-endian 64-bit); wide string: u32 byte length (2 x characters,
//   no terminator) then UTF-16LE; ANSI string: u32 byte length then the
//   bytes; blob: u32 byte count then the bytes. Null strings and blobs are
//   written as length 0.
//
// Growth: the buffer has a capacity beside its size and grows geometrically,
// so n small writes cost O(n) copying. The bytes a writer produces are not
// affected: after writes from position 0 the size equals the bytes written,
// and Data()/Size() is exactly the content (bytes past the size are zero).
//
// Reads never touch memory outside the buffer: a value that reaches past the
// end yields zeros for the missing bytes and the position stops at the size.
// A string or blob whose length prefix is longer than the bytes that remain
// is damaged: it yields an empty string (or a blob with count 0 and no
// bytes), nothing is allocated for it, and the position moves to the end.
//
// Allocation failure is sticky: the buffer is freed, the size becomes 0 and
// every later write stores nothing until Free() or Attach(); Failed() says
// so. A half-written stream therefore never looks complete.
//
// Ownership: the buffer comes from the local heap and is freed by the stream.
// Blobs read by ReadBlob() are allocated from the local heap and owned by the
// caller (free with LocalFree). Not copyable. Not thread-safe.

#include "CeDbTypes.h"
#include "WinTypes.h"

class ZString;
class ZTime;

class ZStream {
public:
    // An empty stream: no buffer, position 0, size 0.
    ZStream() = default;
    // A stream holding a copy of the blob's bytes, position 0. A null or
    // empty blob gives an empty stream.
    explicit ZStream(const CEBLOB& blob);
    virtual ~ZStream();
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    // Frees the own buffer and adopts `buffer` (from LocalAlloc) holding
    // `size` bytes; position 0. A null buffer or zero size does nothing and
    // returns 0 (the caller keeps the buffer). Returns the size.
    DWORD Attach(BYTE* buffer, DWORD size);
    // Frees the buffer; position and size become 0 and a failure is cleared.
    void Free();
    void Rewind() { m_position = 0; }
    // Moves to `offset` when it is not beyond the size; returns the old
    // position either way.
    DWORD Seek(DWORD offset);
    // Makes the stream n bytes longer (zero-filled); returns the new size, or
    // 0 when memory (or the 32-bit size) ran out, which fails the stream.
    DWORD Grow(DWORD n);
    // Writes n raw bytes at the position (no length prefix); returns the new
    // size. Null data or n = 0 writes nothing and returns 0.
    DWORD WriteBytes(const void* data, DWORD n);

    // Typed writes: grow by the value's size, store it at the position and
    // advance. They return the new size (0 when the stream has failed).
    // WriteBlob returns the new position; writing a null string or blob stores
    // a zero length and returns 0.
    virtual DWORD WriteBlob(const CEBLOB& blob);
    virtual DWORD WriteAnsiString(const char* text);
    virtual DWORD WriteWideString(LPCWSTR text);
    virtual DWORD WriteShort(SHORT value);
    // The length writer of strings and blobs.
    virtual DWORD WriteLong(LONG value);
    virtual DWORD WriteULong(ULONG value);
    virtual DWORD WriteByte(BYTE value);
    virtual DWORD WriteLongLong(LONGLONG value);

    // Typed reads copy the value at the position into the destination and
    // advance; they return the new position. The string and blob reads
    // return the size instead.
    virtual DWORD ReadTime(ZTime& time);
    // Empties `text`, reads a wide string and assigns it. Length 0 gives a
    // set empty string; an odd length drops the last byte (length 1 gives an
    // empty string).
    virtual DWORD ReadZString(ZString& text);
    // Reads an ANSI string into `buffer` of `capacity` bytes, zero-terminated.
    // A longer string is cut to capacity - 1 bytes but consumed whole. A null
    // buffer or zero capacity reads nothing and returns 0.
    virtual DWORD ReadAnsiString(char* buffer, DWORD capacity);
    // As ReadAnsiString, with a capacity counted in characters.
    virtual DWORD ReadWideString(LPWSTR buffer, DWORD capacity);
    virtual DWORD ReadShort(SHORT& value);
    // The length reader of strings and blobs.
    virtual DWORD ReadLong(LONG& value);
    virtual DWORD ReadULong(ULONG& value);
    virtual DWORD ReadByte(BYTE& value);
    virtual DWORD ReadLongLong(LONGLONG& value);
    // Frees the blob's old bytes (LocalFree), reads the count and copies that
    // many bytes into a new local-heap block the caller owns. When the block
    // cannot be allocated the blob keeps the count with no bytes and the
    // position stays after the count.
    virtual DWORD ReadBlob(CEBLOB& blob);

    // The bytes (null when empty); valid until the next write or Free().
    const BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }
    // Bytes allocated; at least the size.
    DWORD Capacity() const { return m_capacity; }
    DWORD Position() const { return m_position; }
    // Bytes between the position and the end.
    DWORD Remaining() const { return m_size - m_position; }
    // 1 after an allocation failure (see above), else 0.
    BOOL Failed() const { return m_failed; }

private:
    // Grows by n and copies n bytes to the position; the new size or 0.
    DWORD Store(const void* bytes, DWORD n);
    // Copies up to n bytes from the position (zeros past the end) and advances.
    DWORD Load(void* bytes, DWORD n);
    template <typename Unsigned> DWORD StoreValue(Unsigned value);
    template <typename Unsigned> Unsigned LoadValue();
    // A string read into a caller's buffer of `capacity` units, cut to fit.
    template <typename Char> DWORD ReadTextInto(Char* buffer, DWORD capacity);
    // Reads a length prefix; returns whether that many bytes remain. A
    // damaged length moves the position to the end.
    bool ReadLength(DWORD& length);
    // Makes room for `needed` bytes in total; false when memory ran out.
    bool Reserve(DWORD needed);
    void Fail();

    BYTE* m_data = nullptr;
    DWORD m_position = 0;
    DWORD m_size = 0;
    DWORD m_capacity = 0;
    BOOL m_failed = FALSE;
};
