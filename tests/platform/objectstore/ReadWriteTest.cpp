// Records as typed property arrays: the nine value types, partial writes,
// property deletion, the not-found flag and the one-block read buffer.

#include "StoreTestSupport.h"

#include <cmath>
#include <cstring>

namespace {

class ReadWriteTest : public OneDatabaseTest {
protected:
    ReadWriteTest()
        : OneDatabaseTest(u"Records", {})
    {
    }
};

TEST_F(ReadWriteTest, AllNineValueTypesRoundTripInWrittenOrder)
{
    BYTE bytes[] = { 0, 1, 0, 0xFF, 7 };
    CEPROPVAL v[9] = {};
    v[0].propid = kI2, v[0].val.iVal = -32768;
    v[1].propid = kUI2, v[1].val.uiVal = 65535;
    v[2].propid = kI4, v[2].val.lVal = -2147483647 - 1;
    v[3].propid = kUI4, v[3].val.ulVal = 0xFFFFFFFF;
    v[4].propid = kBool, v[4].val.boolVal = TRUE;
    v[5].propid = kR8, v[5].val.dblVal = -1.5e-300;
    v[6] = TextValue(kText, u"Ünïcode \U0001F600 text");
    v[7].propid = kTime, v[7].val.filetime = { 0x89ABCDEF, 0x01D9F00D };
    v[8].propid = kBlob, v[8].val.blob = { sizeof bytes, bytes };
    const CEOID oid = CeWriteRecordProps(h, 0, 9, v);
    ASSERT_NE(0u, oid);

    ASSERT_EQ(oid, Seek(h, CEDB_SEEK_CEOID, oid));
    const ReadResult r = ReadAll(h);
    ASSERT_EQ(oid, r.oid);
    ASSERT_EQ(9u, r.values.size());
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(v[i].propid, r.values[i].propid);
        EXPECT_EQ(0, r.values[i].wFlags);
    }
    EXPECT_EQ(-32768, r.values[0].val.iVal);
    EXPECT_EQ(65535, r.values[1].val.uiVal);
    EXPECT_EQ(-2147483647 - 1, r.values[2].val.lVal);
    EXPECT_EQ(0xFFFFFFFFu, r.values[3].val.ulVal);
    EXPECT_EQ(TRUE, r.values[4].val.boolVal);
    EXPECT_EQ(-1.5e-300, r.values[5].val.dblVal);
    EXPECT_EQ(std::u16string(u"Ünïcode \U0001F600 text"), r.texts[6]);
    EXPECT_EQ(0x89ABCDEFu, r.values[7].val.filetime.dwLowDateTime);
    EXPECT_EQ(0x01D9F00Du, r.values[7].val.filetime.dwHighDateTime);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + sizeof bytes), r.blobs[8]);

    // Empty text and empty blob stay present and empty.
    CEPROPVAL empty[2] = { TextValue(kText, u""), {} };
    empty[1].propid = kBlob;
    ASSERT_EQ(oid, CeWriteRecordProps(h, oid, 2, empty));
    const ReadResult e = ReadAll(h, { kText, kBlob });
    EXPECT_EQ(u"", e.texts[0]);
    EXPECT_EQ(0, e.values[0].wFlags);
    EXPECT_EQ(0u, e.values[1].val.blob.dwCount);
    EXPECT_EQ(0, e.values[1].wFlags);
}

TEST_F(ReadWriteTest, WritesMergeAndDeletePropertiesAndMissingOnesAreFlagged)
{
    CEPROPVAL first[] = { LongValue(kI4, 1), TextValue(kText, u"one"), ShortValue(kI2, 3) };
    const CEOID oid = CeWriteRecordProps(h, 0, 3, first);
    ASSERT_NE(0u, oid);
    CEPROPVAL second[] = { TextValue(kText, u"two"), LongValue(kUI4, 9), ShortValue(kI2, 0) };
    second[2].wFlags = CEDB_PROPDELETE;
    ASSERT_EQ(oid, CeWriteRecordProps(h, oid, 3, second));

    ASSERT_EQ(oid, Seek(h, CEDB_SEEK_CEOID, oid));
    const ReadResult all = ReadAll(h);
    ASSERT_EQ(3u, all.values.size());
    EXPECT_EQ(kI4, all.values[0].propid);
    EXPECT_EQ(u"two", all.texts[1]);
    EXPECT_EQ(kUI4, all.values[2].propid);

    // Listed ids come back in the order asked, missing ones flagged; the
    // same number with another type is another property.
    const ReadResult some = ReadAll(h, { kUI4, kI2, MakePropID(NumberFromPropID(kI4), CEVT_I2), kText });
    ASSERT_EQ(4u, some.values.size());
    EXPECT_EQ(9u, some.values[0].val.ulVal);
    EXPECT_EQ(kI2, some.values[1].propid);
    EXPECT_EQ(CEDB_PROPNOTFOUND, some.values[1].wFlags);
    EXPECT_EQ(CEDB_PROPNOTFOUND, some.values[2].wFlags);
    EXPECT_EQ(u"two", some.texts[3]);

    // Invalid values change nothing.
    CEPROPVAL bad[] = { LongValue(kI4, 100), {} };
    bad[1].propid = kBlob;
    bad[1].val.blob = { 4, nullptr };
    SetLastError(0);
    EXPECT_EQ(0u, CeWriteRecordProps(h, oid, 2, bad));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    CEPROPVAL badType = LongValue(MakePropID(10, 7), 1);
    EXPECT_EQ(0u, CeWriteRecordProps(h, oid, 1, &badType));
    EXPECT_EQ(1, ReadAll(h, { kI4 }).values[0].val.lVal);
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), ReadAll(h, { MakePropID(11, 99) }).error);
}

TEST_F(ReadWriteTest, WritingAndDeletingMissingRecordsFails)
{
    const CEOID oid = WriteOne(h, LongValue(kI4, 1));
    ASSERT_TRUE(CeDeleteRecord(h, oid));
    SetLastError(0);
    EXPECT_EQ(0u, WriteOne(h, LongValue(kI4, 2), oid));
    EXPECT_EQ(DWORD(ERROR_KEY_DELETED), GetLastError());
    EXPECT_FALSE(CeDeleteRecord(h, oid));
    EXPECT_EQ(DWORD(ERROR_KEY_DELETED), GetLastError());

    // A record of another database cannot be written through this handle.
    HANDLE other = CreateAndOpen(u"Other", {});
    const CEOID foreign = WriteOne(other, LongValue(kI4, 3));
    EXPECT_EQ(0u, WriteOne(h, LongValue(kI4, 4), foreign));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(CeDeleteRecord(h, foreign));
    EXPECT_EQ(1u, CeGetRecordCount(other));
    EXPECT_EQ(0u, CeGetRecordCount(h));
    CloseHandle(other);
}

TEST_F(ReadWriteTest, ReadBufferIsOneLocalBlockThatGrowsOnlyWhenAllowed)
{
    const std::u16string longText(500, u'x');
    CEPROPVAL v[] = { TextValue(kText, longText.c_str()), LongValue(kI4, 7) };
    const CEOID oid = CeWriteRecordProps(h, 0, 2, v);
    ASSERT_EQ(oid, Seek(h, CEDB_SEEK_CEOID, oid));

    // Without reallocation a small buffer is refused and the size told.
    BYTE small[16];
    LPBYTE buffer = small;
    DWORD size = sizeof small;
    WORD count = 0;
    CEPROPID all = 0;
    SetLastError(0);
    EXPECT_EQ(0u, CeReadRecordProps(h, 0, &count, &all, &buffer, &size));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(small, buffer);
    const DWORD needed = size;
    EXPECT_GT(needed, longText.size() * 2);

    // A caller's big enough buffer is used as it is.
    std::vector<std::max_align_t> own(needed / sizeof(std::max_align_t) + 1);
    buffer = reinterpret_cast<LPBYTE>(own.data());
    size = static_cast<DWORD>(own.size() * sizeof(std::max_align_t));
    count = 0;
    ASSERT_EQ(oid, CeReadRecordProps(h, 0, &count, &all, &buffer, &size));
    EXPECT_EQ(reinterpret_cast<LPBYTE>(own.data()), buffer);
    const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
    // The text lies inside the same block, after the value array.
    EXPECT_GE(reinterpret_cast<const BYTE*>(values[0].val.lpwstr), buffer + 2 * sizeof(CEPROPVAL));
    EXPECT_LE(reinterpret_cast<const BYTE*>(values[0].val.lpwstr + 501), buffer + needed);
    EXPECT_EQ(longText, std::u16string(values[0].val.lpwstr));

    // With reallocation a local-heap block grows; the reader frees it.
    buffer = static_cast<LPBYTE>(LocalAlloc(LPTR, 8));
    size = 8;
    count = 0;
    ASSERT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, &all, &buffer, &size));
    EXPECT_GE(LocalSize(buffer), needed);
    EXPECT_EQ(2, count);
    EXPECT_EQ(7, reinterpret_cast<const CEPROPVAL*>(buffer)[1].val.lVal);
    // Reused for a smaller read without reallocating.
    LPBYTE again = buffer;
    CEPROPID one = kI4;
    count = 1;
    ASSERT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, &one, &again, &size));
    EXPECT_EQ(buffer, again);
    LocalFree(again);

    // Reading without a place for the buffer pointer is a parameter error.
    EXPECT_EQ(0u, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, &one, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(ReadWriteTest, EmptyDatabaseAndEmptyRecord)
{
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), ReadAll(h).error);
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_BEGINNING, 0));
    // A record whose properties were all deleted still exists, with none.
    const CEOID oid = WriteOne(h, LongValue(kI4, 1));
    CEPROPVAL remove = LongValue(kI4, 0);
    remove.wFlags = CEDB_PROPDELETE;
    ASSERT_EQ(oid, WriteOne(h, remove, oid));
    ASSERT_EQ(oid, Seek(h, CEDB_SEEK_BEGINNING, 0));
    const ReadResult r = ReadAll(h);
    EXPECT_EQ(oid, r.oid);
    EXPECT_TRUE(r.values.empty());
}

} // namespace
