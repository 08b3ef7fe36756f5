// The beamed message: its bytes, decoding outside bytes that lie about their
// lengths, and storing what arrived in another journal.

#include "BeamMessage.h"
#include "BeamTestSupport.h"
#include "DbCats.h"
#include "OpenJournalTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

class BeamMessageTest : public OpenJournalTest {
protected:
    // The message of `oids` as bytes.
    std::vector<BYTE> Build(const std::vector<CEOID>& oids, DWORD* written = nullptr)
    {
        ZStream out;
        const DWORD count = BuildBeamMessage(db, oids, out);
        if (written)
            *written = count;
        return std::vector<BYTE>(out.Data(), out.Data() + out.Size());
    }

    CEOID CategoryOid(LPCWSTR name)
    {
        DbCats categories;
        EXPECT_TRUE(categories.Open(nullptr));
        const CEOID oid = categories.FindCategory(name);
        categories.Close();
        return oid;
    }
};

TEST_F(BeamMessageTest, MessageBytesFollowTheHandheldLayout)
{
    const CEOID oid = Add({ .subject = u"Caf\u00e9", .date = 0x0102030405060708ULL, .type = 7, .company = u"",
        .attachment = u"", .duration = 0, .sensitivity = 2, .priority = 0, .note = { 0xAA, 0xBB } });
    DWORD written = 0;
    const std::vector<BYTE> bytes = Build({ oid }, &written);
    EXPECT_EQ(written, 1u);

    ByteWriter expected;
    expected.U16(1).U16(1);
    expected.U32(PROPID_SUBJECT).U32(5).Raw("Caf\xC3\xA9");
    expected.U32(PROPID_DATE).U64(0x0102030405060708ULL);
    expected.U32(PROPID_TYPE).U16(7);
    expected.U32(PROPID_COMPANY).U32(0);
    expected.U32(PROPID_CATEGORIES).U32(0);
    expected.U32(PROPID_CONTACTS).U32(0);
    expected.U32(PROPID_ATTACHMENT).U32(0);
    expected.U32(PROPID_DURATION).U64(0);
    expected.U32(PROPID_SENSITIVITY).U16(2);
    expected.U32(PROPID_PRIORITY).U16(0);
    expected.U32(PROPID_NOTE).U32(2).U8(0xAA).U8(0xBB);
    ASSERT_EQ(bytes.size(), expected.bytes.size());
    const auto differs = std::mismatch(bytes.begin(), bytes.end(), expected.bytes.begin());
    EXPECT_EQ(differs.first, bytes.end()) << "first difference at byte " << (differs.first - bytes.begin());
}

TEST_F(BeamMessageTest, RoundTripKeepsEveryFieldAndCountsOnlyEntriesWritten)
{
    std::vector<BYTE> note(3000);
    for (std::size_t i = 0; i < note.size(); ++i)
        note[i] = static_cast<BYTE>(i * 7);
    const std::u16string longSubject(700, u'\u00fc'); // 1,400 bytes in UTF-8, past the old 519
    const CEOID first = Add({ .subject = longSubject, .date = At(2024, 3, 1, 14, 30), .type = 5,
        .company = u"Acme", .categories = { u"Work", u"Birdwatching" }, .contacts = { u"Ann Lee", u"Bo Ng" },
        .attachment = u"/tmp/a && b.pdf", .duration = 36000000000ULL, .sensitivity = 3, .priority = 2,
        .note = note });
    const CEOID second = Add({ .subject = u"Second" });
    const CEOID gone = Add({ .subject = u"Deleted after it was selected" });
    ASSERT_TRUE(db.DeleteEntry(gone));

    DWORD written = 0;
    const std::vector<BYTE> bytes = Build({ first, gone, second }, &written);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(bytes[2] | (bytes[3] << 8), 2) << "the count is that of the records in the message";

    BeamDecoded decoded = DecodeBeamMessage(bytes.data(), static_cast<DWORD>(bytes.size()));
    ASSERT_EQ(decoded.outcome, BeamDecoded::Outcome::Decoded);
    EXPECT_EQ(decoded.announced, 2u);
    EXPECT_FALSE(decoded.truncated);
    EXPECT_EQ(decoded.dropped, 0u);
    ASSERT_EQ(decoded.entries.size(), 2u);
    ZJITEMS original;
    ASSERT_EQ(db.Read(first, &original, FALSE), first);
    ExpectSameFields(decoded.entries[0], original);
    EXPECT_EQ(Text(decoded.entries[0].GetItem(PROPID_SUBJECT)->GetStrValue()), longSubject);
    EXPECT_EQ(Text(decoded.entries[1].GetItem(PROPID_SUBJECT)->GetStrValue()), u"Second");
}

TEST_F(BeamMessageTest, HostileLengthsNeverReachPastTheMessage)
{
    const CEOID oid = Add({ .subject = u"Whole", .categories = { u"Work" }, .contacts = { u"Ann" } });
    ZJITEMS set;
    ASSERT_EQ(db.Read(oid, &set, FALSE), oid);

    // Text length far past the end: the record cannot be whole, decoding stops.
    {
        ByteWriter message;
        message.U16(1).U16(2);
        EncodeInto(message, set);
        message.U32(PROPID_SUBJECT).U32(0xFFFFFFF0u).Raw("abc");
        BeamDecoded decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
        EXPECT_EQ(decoded.entries.size(), 1u);
        EXPECT_TRUE(decoded.truncated);
    }
    // A category name whose length runs past the blob: only that record is
    // dropped; the one after it still arrives.
    {
        ByteWriter badList;
        badList.U32(77).U32(400).Raw("Wo");
        ByteWriter message;
        message.U16(1).U16(3);
        EncodeInto(message, set);
        for (const DbJItem* field : set) {
            message.U32(field->GetPropID());
            if (field->GetPropID() == PROPID_CATEGORIES)
                message.U32(badList.Size()).Append(badList);
            else
                EncodeValue(message, *field);
        }
        EncodeInto(message, set);
        BeamDecoded decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
        EXPECT_EQ(decoded.entries.size(), 2u);
        EXPECT_EQ(decoded.dropped, 1u);
        EXPECT_FALSE(decoded.truncated);
    }
    // A count larger than the records sent, and a cut in the middle of a note.
    {
        ByteWriter message;
        message.U16(1).U16(40);
        EncodeInto(message, set);
        ByteWriter cut;
        EncodeInto(cut, set);
        message.bytes.insert(message.bytes.end(), cut.bytes.begin(), cut.bytes.end() - 3);
        BeamDecoded decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
        EXPECT_EQ(decoded.announced, 40u);
        EXPECT_EQ(decoded.entries.size(), 1u);
        EXPECT_TRUE(decoded.truncated);
    }
    // A text holding a NUL is dropped rather than cut short.
    {
        ByteWriter message;
        message.U16(1).U16(1);
        for (const DbJItem* field : set) {
            message.U32(field->GetPropID());
            if (field->GetPropID() == PROPID_SUBJECT)
                message.U32(3).U8('a').U8(0).U8('b');
            else
                EncodeValue(message, *field);
        }
        BeamDecoded decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
        EXPECT_TRUE(decoded.entries.empty());
        EXPECT_EQ(decoded.dropped, 1u);
    }
}

TEST_F(BeamMessageTest, VersionsAndIdsThatAreNotFields)
{
    const BYTE version2[] = { 2, 0, 1, 0, 0x1F, 0, 0x66, 0 };
    BeamDecoded decoded = DecodeBeamMessage(version2, sizeof version2);
    EXPECT_EQ(decoded.outcome, BeamDecoded::Outcome::BadVersion);
    EXPECT_EQ(decoded.version, 2);
    EXPECT_TRUE(decoded.entries.empty());
    EXPECT_EQ(DecodeBeamMessage(nullptr, 0).outcome, BeamDecoded::Outcome::Empty);

    // An id that names no field carries no value and counts as one pair.
    ByteWriter message;
    message.U16(1).U16(1).U32(0x12345678);
    for (int i = 0; i < ENTRY_FIELD_COUNT - 1; ++i)
        message.U32(PROPID_TYPE).U16(static_cast<WORD>(i));
    decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
    ASSERT_EQ(decoded.entries.size(), 1u);
    EXPECT_EQ(decoded.entries[0].GetItem(PROPID_TYPE)->GetShort(), ENTRY_FIELD_COUNT - 2);
    EXPECT_FALSE(decoded.truncated);

    // An older device's text in Windows-1252 (not valid UTF-8) reads as such.
    ByteWriter older;
    older.U16(1).U16(1).U32(PROPID_SUBJECT).U32(4).Raw("Caf\xE9");
    for (int i = 0; i < ENTRY_FIELD_COUNT - 1; ++i)
        older.U32(0x7FFF0000);
    decoded = DecodeBeamMessage(older.bytes.data(), older.Size());
    ASSERT_EQ(decoded.entries.size(), 1u);
    EXPECT_EQ(Text(decoded.entries[0].GetItem(PROPID_SUBJECT)->GetStrValue()), u"Caf\u00e9");
}

TEST_F(BeamMessageTest, StoringMatchesCategoriesByNameAndKeepsContactNamesOnly)
{
    // The receiver's own categories: "Work" exists; an unrelated one holds a count.
    Add({ .subject = u"Local", .categories = { u"Work", u"Home" } });
    const CEOID work = CategoryOid(u"Work");
    const CEOID home = CategoryOid(u"Home");
    ASSERT_NE(work, 0u);
    ASSERT_EQ(CategoryOid(u"Birdwatching"), 0u);

    // The sender's entry names its categories with its own ids, one of which
    // is the receiver's "Home".
    ZJITEMS sent = MakeEntry({ .subject = u"Beamed", .contacts = { u"Ann Lee" } });
    PackedListWriter categories;
    categories.AddCategory(home, u"work");
    categories.AddCategory(999999, u"Birdwatching");
    categories.StoreIn(*sent.GetItem(PROPID_CATEGORIES));
    ByteWriter message;
    message.U16(1).U16(1);
    EncodeInto(message, sent);
    BeamDecoded decoded = DecodeBeamMessage(message.bytes.data(), message.Size());
    ASSERT_EQ(decoded.entries.size(), 1u);

    const DWORD before = db.GetRecCount(KIND_ENTRY);
    ASSERT_EQ(StoreBeamedEntries(db, decoded.entries), 1u);
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), before + 1);

    const std::vector<CEOID> listed = Listed(u"Birdwatching", KIND_CATEGORY);
    ASSERT_EQ(listed.size(), 1u);
    ZJITEMS stored;
    ASSERT_EQ(db.Read(listed[0], &stored, FALSE), listed[0]);
    std::vector<DbCItem> storedCategories;
    ASSERT_TRUE(UnpackCategories(*stored.GetItem(PROPID_CATEGORIES)->GetBlob(), storedCategories));
    ASSERT_EQ(storedCategories.size(), 2u);
    EXPECT_EQ(storedCategories[0].GetOid(), work) << "matched by name, not by the sender's id";
    EXPECT_EQ(storedCategories[1].GetOid(), CategoryOid(u"Birdwatching"));
    EXPECT_NE(storedCategories[1].GetOid(), 999999u);
    std::vector<DbAItem> contacts;
    ASSERT_TRUE(UnpackContacts(*stored.GetItem(PROPID_CONTACTS)->GetBlob(), contacts));
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].GetOid(), 0u);
    EXPECT_EQ(Text(contacts[0].GetName()), u"Ann Lee");

    // Deleting the beamed entry leaves the receiver's "Home" count alone.
    EXPECT_EQ(Listed(u"Home", KIND_CATEGORY).size(), 1u);
    ASSERT_TRUE(db.DeleteEntry(listed[0]));
    DbCats cats;
    ASSERT_TRUE(cats.Open(nullptr));
    EXPECT_TRUE(cats.IsCategoryInUse(home));
    cats.Close();
}

} // namespace
