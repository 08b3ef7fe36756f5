#include "ZStream.h"
#include "LocalHeap.h"
#include "ZString.h"
#include "ZTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<BYTE> Bytes(const ZStream& stream)
{
    return { stream.Data(), stream.Data() + stream.Size() };
}

// A stream holding exactly `bytes`, position 0.
void Load(ZStream& stream, const std::vector<BYTE>& bytes)
{
    auto* buffer = static_cast<BYTE*>(LocalAlloc(LPTR, bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    ASSERT_EQ(stream.Attach(buffer, static_cast<DWORD>(bytes.size())), bytes.size());
}

} // namespace

TEST(ZStream, IntegersAreLittleEndianWithoutPadding)
{
    ZStream stream;
    EXPECT_EQ(stream.WriteLong(1), 4u);
    EXPECT_EQ(stream.WriteShort(2), 6u);
    EXPECT_EQ(Bytes(stream), (std::vector<BYTE> { 1, 0, 0, 0, 2, 0 }));

    stream.Free();
    stream.WriteByte(0xAB);
    stream.WriteShort(-2);
    stream.WriteLong(-0x12345678);
    stream.WriteULong(0xDEADBEEF);
    EXPECT_EQ(stream.WriteLongLong(0x0102030405060708LL), 19u);
    EXPECT_EQ(Bytes(stream),
        (std::vector<BYTE> {
            0xAB, 0xFE, 0xFF, 0x88, 0xA9, 0xCB, 0xED, 0xEF, 0xBE, 0xAD, 0xDE, 8, 7, 6, 5, 4, 3, 2, 1 }));

    stream.Rewind();
    BYTE b;
    SHORT s;
    LONG l;
    ULONG ul;
    ZTime time;
    EXPECT_EQ(stream.ReadByte(b), 1u);
    EXPECT_EQ(stream.ReadShort(s), 3u);
    EXPECT_EQ(stream.ReadLong(l), 7u);
    EXPECT_EQ(stream.ReadULong(ul), 11u);
    EXPECT_EQ(stream.ReadTime(time), 19u);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(l, -0x12345678);
    EXPECT_EQ(ul, 0xDEADBEEFu);
    EXPECT_EQ(time.Ticks(), 0x0102030405060708ULL);
}

TEST(ZStream, StringsAndBlobsCarryAByteLength)
{
    ZStream stream;
    EXPECT_EQ(stream.WriteWideString(u"Ab"), 8u);
    EXPECT_EQ(Bytes(stream), (std::vector<BYTE> { 4, 0, 0, 0, 0x41, 0, 0x62, 0 }));

    stream.Free();
    EXPECT_EQ(stream.WriteWideString(nullptr), 0u);
    EXPECT_EQ(stream.WriteAnsiString(nullptr), 0u);
    EXPECT_EQ(stream.WriteBlob(CEBLOB { 5, nullptr }), 0u) << "a blob without bytes is a null blob";
    EXPECT_EQ(Bytes(stream), std::vector<BYTE>(12, 0));

    stream.Free();
    BYTE raw[] = { 9, 8, 7 };
    EXPECT_EQ(stream.WriteAnsiString("h\xC3\xA9"), 7u);
    EXPECT_EQ(stream.WriteBlob(CEBLOB { 3, raw }), 14u);
    // A character outside the 16-bit plane is two code units, four bytes.
    stream.WriteWideString(u"\U0001F600");
    EXPECT_EQ(Bytes(stream),
        (std::vector<BYTE> {
            3, 0, 0, 0, 'h', 0xC3, 0xA9, 3, 0, 0, 0, 9, 8, 7, 4, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE }));

    stream.Rewind();
    char ansi[8];
    EXPECT_EQ(stream.ReadAnsiString(ansi, sizeof ansi), stream.Size());
    EXPECT_STREQ(ansi, "h\xC3\xA9");
    CEBLOB blob { 0, nullptr };
    stream.ReadBlob(blob);
    ASSERT_EQ(blob.dwCount, 3u);
    EXPECT_EQ(std::memcmp(blob.lpb, raw, 3), 0);
    ZString text(u"old");
    stream.ReadZString(text);
    EXPECT_EQ(std::u16string(text.Text()), u"\U0001F600");
    // Reading into a blob that holds bytes frees them first (checked by ASan).
    stream.Seek(7);
    stream.ReadBlob(blob);
    EXPECT_EQ(blob.dwCount, 3u);
    LocalFree(blob.lpb);
}

TEST(ZStream, OddAndEmptyWideLengths)
{
    // Length 0, then length 1 with its stray byte, then length 5 (two
    // characters and one byte dropped), then a long.
    ZStream stream;
    Load(stream, { 0, 0, 0, 0, 1, 0, 0, 0, 0x7A, 5, 0, 0, 0, 'x', 0, 'y', 0, 0xFF, 42, 0, 0, 0 });
    ZString text(u"keep");
    stream.ReadZString(text);
    ASSERT_NE(text.Text(), nullptr) << "length 0 gives a set empty string";
    EXPECT_EQ(text.Text()[0], 0);
    EXPECT_EQ(stream.Position(), 4u);
    stream.ReadZString(text);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(stream.Position(), 9u) << "length 1 moves the position by 5";
    WCHAR wide[8];
    EXPECT_EQ(stream.ReadWideString(wide, 8), stream.Size());
    EXPECT_EQ(std::u16string(wide), u"xy");
    LONG after;
    stream.ReadLong(after);
    EXPECT_EQ(after, 42);

    // Too small a buffer: the text is cut, the string consumed whole.
    stream.Seek(9);
    EXPECT_EQ(stream.ReadWideString(wide, 2), stream.Size());
    EXPECT_EQ(std::u16string(wide), u"x");
    EXPECT_EQ(stream.Position(), 18u);
    // A null buffer reads nothing.
    stream.Seek(9);
    EXPECT_EQ(stream.ReadWideString(nullptr, 8), 0u);
    EXPECT_EQ(stream.ReadAnsiString(nullptr, 8), 0u);
    EXPECT_EQ(stream.Position(), 9u);
}

TEST(ZStream, GeometricGrowthKeepsTheBytesOfExactGrowth)
{
    // Size equals the bytes written after every write, and the content is
    // what the writes put there, however the capacity grew.
    ZStream stream;
    std::vector<BYTE> expected;
    int reallocations = 0;
    for (int i = 0; i < 5000; ++i) {
        DWORD capacity = stream.Capacity();
        stream.WriteByte(static_cast<BYTE>(i));
        expected.push_back(static_cast<BYTE>(i));
        stream.WriteLong(i);
        for (int k = 0; k < 4; ++k)
            expected.push_back(static_cast<BYTE>(i >> (8 * k)));
        ASSERT_EQ(stream.Size(), expected.size());
        reallocations += stream.Capacity() != capacity;
    }
    EXPECT_EQ(Bytes(stream), expected);
    // 25,000 bytes in 10,000 writes: a doubling buffer moves about nine times.
    EXPECT_LE(reallocations, 12);
    EXPECT_LE(stream.Capacity(), 2 * stream.Size());

    // Grow adds zero bytes; a write after a Seek back grows the stream by the
    // value's size and overwrites at the position, exactly as before.
    ZStream small;
    small.WriteLong(-1);
    EXPECT_EQ(small.Grow(2), 6u);
    EXPECT_EQ(Bytes(small), (std::vector<BYTE> { 0xFF, 0xFF, 0xFF, 0xFF, 0, 0 }));
    EXPECT_EQ(small.Seek(1), 4u);
    EXPECT_EQ(small.WriteShort(0x0102), 8u);
    EXPECT_EQ(Bytes(small), (std::vector<BYTE> { 0xFF, 2, 1, 0xFF, 0, 0, 0, 0 }));
    EXPECT_EQ(small.Seek(9), 3u) << "Seek beyond the size returns the old position";
    EXPECT_EQ(small.Position(), 3u);

    EXPECT_EQ(small.WriteBytes(nullptr, 3), 0u);
    EXPECT_EQ(small.WriteBytes("abc", 0), 0u);
    EXPECT_EQ(small.Size(), 8u);
}

TEST(ZStream, AllocationFailureIsStickyAndStoresNothing)
{
    ZStream stream;
    stream.WriteLong(7);
    EXPECT_EQ(stream.Grow(0xFFFFFFFFu), 0u) << "32-bit size overflow";
    EXPECT_TRUE(stream.Failed());
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.WriteLong(8), 0u);
    EXPECT_EQ(stream.WriteWideString(u"x"), 0u);
    EXPECT_EQ(stream.Size(), 0u) << "no tail of values after the lost ones";
    stream.Free();
    EXPECT_FALSE(stream.Failed());
    EXPECT_EQ(stream.WriteLong(8), 4u);
}

TEST(ZStream, ReadsPastTheEndYieldZerosAndStayInside)
{
    ZStream stream;
    Load(stream, { 0x11, 0x22, 0x33 });
    LONG value = -1;
    EXPECT_EQ(stream.ReadLong(value), 3u);
    EXPECT_EQ(value, 0x332211);
    LONGLONG wide = -1;
    stream.ReadLongLong(wide);
    EXPECT_EQ(wide, 0);
    EXPECT_EQ(stream.Position(), 3u);
    // A write after over-reading appends at the end.
    EXPECT_EQ(stream.WriteByte(0x44), 4u);
    EXPECT_EQ(Bytes(stream), (std::vector<BYTE> { 0x11, 0x22, 0x33, 0x44 }));

    ZStream empty;
    SHORT s = 5;
    empty.ReadShort(s);
    EXPECT_EQ(s, 0);
    ZString text(u"x");
    empty.ReadZString(text);
    EXPECT_TRUE(text.IsEmpty());
    CEBLOB blob { 9, nullptr };
    empty.ReadBlob(blob);
    EXPECT_EQ(blob.dwCount, 0u);
    EXPECT_EQ(blob.lpb, nullptr);
}

TEST(ZStream, LengthPrefixesBeyondTheDataYieldEmptyValues)
{
    // 0xFFFFFFF0 bytes promised, three present: nothing is allocated for
    // it, the value is empty and the position moves to the end.
    const std::vector<BYTE> damaged { 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c' };
    ZStream stream;
    Load(stream, damaged);
    ZString text(u"x");
    EXPECT_EQ(stream.ReadZString(text), 7u);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(stream.Position(), 7u);

    stream.Rewind();
    CEBLOB blob { 0, nullptr };
    stream.ReadBlob(blob);
    EXPECT_EQ(blob.dwCount, 0u);
    EXPECT_EQ(blob.lpb, nullptr);
    EXPECT_EQ(stream.Position(), 7u);

    stream.Rewind();
    char ansi[4] = "zzz";
    stream.ReadAnsiString(ansi, sizeof ansi);
    EXPECT_STREQ(ansi, "");
    stream.Rewind();
    WCHAR wide[4] = u"zzz";
    stream.ReadWideString(wide, 4);
    EXPECT_EQ(wide[0], 0);

    // One byte short of the promised length is damaged too.
    ZStream shortByOne;
    Load(shortByOne, { 4, 0, 0, 0, 'a', 0, 'b' });
    shortByOne.ReadZString(text);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(ZStream, AttachAndBlobConstruction)
{
    BYTE raw[] = { 1, 2, 3 };
    ZStream copy(CEBLOB { 3, raw });
    raw[0] = 9;
    EXPECT_EQ(Bytes(copy), (std::vector<BYTE> { 1, 2, 3 }));
    EXPECT_EQ(copy.Position(), 0u);
    EXPECT_EQ(ZStream(CEBLOB { 0, raw }).Size(), 0u);

    // Attach of nothing keeps the own buffer.
    EXPECT_EQ(copy.Attach(nullptr, 4), 0u);
    auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, 2));
    EXPECT_EQ(copy.Attach(block, 0), 0u);
    LocalFree(block);
    EXPECT_EQ(copy.Size(), 3u);

    // After Attach, writes grow the adopted buffer.
    copy.Seek(3);
    block = static_cast<BYTE*>(LocalAlloc(LPTR, 2));
    block[0] = 7;
    EXPECT_EQ(copy.Attach(block, 2), 2u);
    EXPECT_EQ(copy.Position(), 0u);
    copy.Seek(2);
    copy.WriteShort(0x0605);
    EXPECT_EQ(Bytes(copy), (std::vector<BYTE> { 7, 0, 5, 6 }));
}

TEST(ZStream, ArbitraryBytesDecodeWithoutLeavingTheBuffer)
{
    // Random buffers read by random readers: every read stays inside (the
    // sanitizer build checks the memory), and the position never passes the size.
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 2000; ++round) {
        std::vector<BYTE> bytes(next() % 48);
        for (BYTE& b : bytes)
            b = static_cast<BYTE>(next() % 4 == 0 ? 0xFF : next() % 12);
        ZStream stream;
        if (!bytes.empty())
            Load(stream, bytes);
        ZString text;
        CEBLOB blob { 0, nullptr };
        char ansi[6];
        WCHAR wide[6];
        ZTime time;
        LONGLONG wideValue;
        SHORT shortValue;
        for (int read = 0; read < 12; ++read) {
            switch (next() % 6) {
            case 0:
                stream.ReadZString(text);
                break;
            case 1:
                stream.ReadBlob(blob);
                break;
            case 2:
                stream.ReadAnsiString(ansi, sizeof ansi);
                break;
            case 3:
                stream.ReadWideString(wide, 6);
                break;
            case 4:
                stream.ReadTime(time);
                stream.ReadLongLong(wideValue);
                break;
            default:
                stream.ReadShort(shortValue);
                break;
            }
            ASSERT_LE(stream.Position(), stream.Size());
        }
        LocalFree(blob.lpb);
    }
}
