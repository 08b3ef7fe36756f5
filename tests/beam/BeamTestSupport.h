#pragma once
// What the beaming tests share: a little-endian byte builder for messages
// made by hand (honest or hostile), encoders of records and single values
// into it, and a field-by-field comparison of two entries (blobs byte for
// byte).

#include "BeamMessage.h"
#include "JournalEntries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

struct ByteWriter {
    std::vector<BYTE> bytes;

    ByteWriter& U8(BYTE value)
    {
        bytes.push_back(value);
        return *this;
    }
    ByteWriter& U16(WORD value) { return U8(static_cast<BYTE>(value)).U8(static_cast<BYTE>(value >> 8)); }
    ByteWriter& U32(DWORD value) { return U16(static_cast<WORD>(value)).U16(static_cast<WORD>(value >> 16)); }
    ByteWriter& U64(ULONGLONG value)
    {
        return U32(static_cast<DWORD>(value)).U32(static_cast<DWORD>(value >> 32));
    }
    ByteWriter& Raw(const char* text)
    {
        bytes.insert(bytes.end(), text, text + std::strlen(text));
        return *this;
    }
    ByteWriter& Append(const ByteWriter& other)
    {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }
    DWORD Size() const { return static_cast<DWORD>(bytes.size()); }
};

// Appends the record of `set` as the sender writes it.
inline void EncodeInto(ByteWriter& out, const ZJITEMS& set)
{
    ZStream stream;
    EncodeBeamRecord(stream, set);
    out.bytes.insert(out.bytes.end(), stream.Data(), stream.Data() + stream.Size());
}

// Appends the value of one field (without its id) as the sender writes it.
inline void EncodeValue(ByteWriter& out, const DbJItem& field)
{
    ZJITEMS one;
    one.Append(std::make_unique<DbJItem>(field));
    ZStream stream;
    EncodeBeamRecord(stream, one);
    out.bytes.insert(out.bytes.end(), stream.Data() + 4, stream.Data() + stream.Size());
}

inline std::vector<BYTE> BlobBytes(const DbJItem& field)
{
    const CEBLOB* blob = field.GetBlob();
    if (blob == nullptr || blob->lpb == nullptr)
        return {};
    return std::vector<BYTE>(blob->lpb, blob->lpb + blob->dwCount);
}

// Every field of `actual` holds the value of the same field of `expected`.
inline void ExpectSameFields(const ZJITEMS& actual, const ZJITEMS& expected, bool compareLists = true)
{
    for (const DbJItem* want : expected) {
        const DbJItem* got = actual.GetItem(want->GetPropID());
        ASSERT_NE(got, nullptr) << std::hex << want->GetPropID();
        SCOPED_TRACE(want->GetLabel().ToUtf8());
        switch (want->GetPropType()) {
        case CEVT_LPWSTR:
            EXPECT_EQ(Text(got->GetStrValue()), Text(want->GetStrValue()));
            break;
        case CEVT_FILETIME:
            EXPECT_EQ(got->GetFileTime().dwLowDateTime, want->GetFileTime().dwLowDateTime);
            EXPECT_EQ(got->GetFileTime().dwHighDateTime, want->GetFileTime().dwHighDateTime);
            break;
        case CEVT_BLOB:
            if (compareLists || (want->GetPropID() != PROPID_CATEGORIES && want->GetPropID() != PROPID_CONTACTS))
                EXPECT_EQ(BlobBytes(*got), BlobBytes(*want));
            break;
        default:
            EXPECT_EQ(got->GetShort(), want->GetShort());
            break;
        }
    }
}
