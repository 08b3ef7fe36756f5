// The packed contact and category lists: their bytes travel in backups and
// beamed messages, so the layout is checked byte for byte.

#include "PackedLists.h"
#include "DbJItem.h"
#include "JournalProps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CEBLOB BlobOf(const std::vector<BYTE>& bytes)
{
    return CEBLOB { static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data()) };
}

std::u16string Text(const ZString& text)
{
    return text.Text() ? std::u16string(text.Text()) : std::u16string();
}

} // namespace

TEST(PackedLists, ContactLayoutIsOidNameSecondText)
{
    PackedListWriter writer;
    writer.AddContact(0x11223344, u"Ab", u"C");
    writer.AddContact(DbAItem(5, u"", nullptr));
    std::vector<BYTE> expected = {
        0x44, 0x33, 0x22, 0x11, // OID
        4, 0, 0, 0, 'A', 0, 'b', 0, // name
        2, 0, 0, 0, 'C', 0, // second text
        5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // empty texts are a zero count
    };
    EXPECT_EQ(writer.Bytes(), expected);

    std::vector<DbAItem> contacts;
    ASSERT_TRUE(UnpackContacts(BlobOf(expected), contacts));
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].GetOid(), 0x11223344u);
    EXPECT_EQ(Text(contacts[0].GetName()), u"Ab");
    EXPECT_EQ(Text(contacts[0].GetSecondText()), u"C");
    EXPECT_EQ(contacts[1].GetOid(), 5u);
    EXPECT_TRUE(contacts[1].GetName().IsEmpty());
}

TEST(PackedLists, CategoryLayoutIsOidName)
{
    PackedListWriter writer;
    writer.AddCategory(DbCItem(0x0102, u"Work"));
    std::vector<BYTE> expected = { 0x02, 0x01, 0, 0, 8, 0, 0, 0, 'W', 0, 'o', 0, 'r', 0, 'k', 0 };
    EXPECT_EQ(writer.Bytes(), expected);

    std::vector<DbCItem> categories;
    ASSERT_TRUE(UnpackCategories(BlobOf(expected), categories));
    ASSERT_EQ(categories.size(), 1u);
    EXPECT_EQ(categories[0].GetOid(), 0x0102u);
    EXPECT_EQ(Text(categories[0].GetName()), u"Work");
    EXPECT_EQ(categories[0].GetPropID(), PROPID_CATNAME);

    // Stored in a field, the list becomes the field's own blob.
    DbJItem field(0, PROPID_CATEGORIES, u"Categories", CTRL_PICKER, FIELD_SORTABLE);
    writer.StoreIn(field);
    EXPECT_TRUE(field.HasCategories());
    EXPECT_EQ(field.GetBlob()->dwCount, expected.size());
    PackedListWriter().StoreIn(field);
    EXPECT_FALSE(field.HasCategories());
}

TEST(PackedLists, OddOrSingleByteTextCountsReadAsShortOrEmptyTexts)
{
    // A count of 1 reads as an empty text and skips its byte; 3 gives one character.
    std::vector<BYTE> bytes = { 1, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 3, 0, 0, 0, 'Z', 0, '!' };
    std::vector<DbCItem> categories;
    ASSERT_TRUE(UnpackCategories(BlobOf(bytes), categories));
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_TRUE(categories[0].GetName().IsEmpty());
    EXPECT_EQ(Text(categories[1].GetName()), u"Z");
}

TEST(PackedLists, DamagedBlobsStopAtTheDamageWithoutReadingPastTheEnd)
{
    std::vector<BYTE> good = { 1, 0, 0, 0, 2, 0, 0, 0, 'A', 0 };
    std::vector<BYTE> cases[] = {
        { 1, 0, 0 }, // torn OID
        { 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'A', 0 }, // text longer than the blob
        { 1, 0, 0, 0, 2, 0 }, // torn count
    };
    for (const auto& damaged : cases) {
        std::vector<BYTE> bytes = good;
        bytes.insert(bytes.end(), damaged.begin(), damaged.end());
        std::vector<DbCItem> categories;
        EXPECT_FALSE(UnpackCategories(BlobOf(bytes), categories));
        ASSERT_EQ(categories.size(), 1u);
        EXPECT_EQ(Text(categories[0].GetName()), u"A");
        std::vector<DbAItem> contacts;
        EXPECT_FALSE(UnpackContacts(BlobOf(damaged), contacts));
    }
    std::vector<DbAItem> none;
    EXPECT_TRUE(UnpackContacts(CEBLOB { 0, nullptr }, none));
    EXPECT_TRUE(UnpackContacts(CEBLOB { 40, nullptr }, none));
    EXPECT_TRUE(none.empty());
}

TEST(PackedLists, AnyCategoryStopsAtTheFirstHit)
{
    PackedListWriter writer;
    writer.AddCategory(1, u"Home");
    writer.AddCategory(2, u"Work");
    writer.AddCategory(3, u"Travel");
    std::vector<BYTE> bytes = writer.Bytes();
    std::vector<CEOID> seen;
    EXPECT_TRUE(AnyCategory(BlobOf(bytes), [&seen](CEOID oid, LPCWSTR name) {
        seen.push_back(oid);
        return std::u16string(name) == u"Work";
    }));
    EXPECT_EQ(seen, (std::vector<CEOID> { 1, 2 }));
    EXPECT_FALSE(AnyCategory(BlobOf(bytes), [](CEOID, LPCWSTR) { return false; }));
    EXPECT_FALSE(AnyCategory(CEBLOB { 0, nullptr }, [](CEOID, LPCWSTR) { return true; }));
}
