// The entry property model: typed values, fields, property sets, references
// and OID sets.

#include "DbAItem.h"
#include "DbCItem.h"
#include "DbJItem.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "ZJITEMS.h"
#include "ZOidsProp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

CEBLOB BlobOf(std::vector<BYTE>& bytes)
{
    return CEBLOB { static_cast<DWORD>(bytes.size()), bytes.data() };
}

} // namespace

TEST(DItemObject, SettersMarkChangedAndGettersReadTheValueBytes)
{
    DItemObject item(1, 7);
    item.SetPropID(PROPID_TYPE);
    EXPECT_EQ(item.IsChanged(), 0);
    EXPECT_EQ(item.GetLoc(), -1);
    item.SetShort(-2);
    EXPECT_EQ(item.IsChanged(), 1);
    EXPECT_EQ(item.GetShort(), -2);
    EXPECT_EQ(item.GetUShort(), 0xFFFE);

    EXPECT_EQ(item.SetPropType(CEVT_UI4), CEVT_I2);
    EXPECT_EQ(item.GetPropID(), 0x00690013u);
    EXPECT_EQ(item.GetID(), 0x0069);
    item.SetULong(0xDEADBEEF);
    EXPECT_EQ(item.GetLong(), static_cast<LONG>(0xDEADBEEF));
    EXPECT_EQ(item.SetTab(3), 0);
    EXPECT_EQ(item.GetTab(), 3);
}

TEST(DItemObject, SetPropTakesOnlyItsOwnIdAndNeverMarksChanged)
{
    DbJItem subject(0, PROPID_SUBJECT, u"Subject", CTRL_COMBO_EDIT, FIELD_SORTABLE);
    CEPROPVAL other = EmptyProp();
    other.propid = PROPID_COMPANY;
    other.val.lpwstr = const_cast<LPWSTR>(u"Acme");
    EXPECT_EQ(subject.SetProp(other), 0);
    EXPECT_EQ(subject.GetStrValue(), nullptr);

    CEPROPVAL mine = other;
    mine.propid = PROPID_SUBJECT;
    EXPECT_EQ(subject.SetProp(mine), 1);
    EXPECT_EQ(Text(subject.GetStrValue()), u"Acme");
    EXPECT_EQ(subject.IsChanged(), 0);

    // A value the record did not hold leaves the field alone.
    CEPROPVAL missing = mine;
    missing.wFlags = CEDB_PROPNOTFOUND;
    missing.val.lpwstr = nullptr;
    EXPECT_EQ(subject.SetProp(missing), 1);
    EXPECT_EQ(Text(subject.GetStrValue()), u"Acme");
}

TEST(DItemObject, EmptyTextIsWrittenAsEmptyTextNeverAsMissing)
{
    DbJItem company(0, PROPID_COMPANY, u"Company", CTRL_COMPANY, FIELD_SORTABLE);
    CEPROPVAL out = EmptyProp();
    company.GetProp(&out);
    EXPECT_EQ(out.propid, PROPID_COMPANY);
    EXPECT_EQ(out.wFlags, 0);
    ASSERT_NE(out.val.lpwstr, nullptr);
    EXPECT_EQ(out.val.lpwstr[0], u'\0');
}

TEST(DItemObject, BlobsAreOwnedCopiedAndFreedSafely)
{
    std::vector<BYTE> bytes = { 1, 2, 3, 4, 5 };
    CEBLOB source = BlobOf(bytes);
    DbJItem note(0, PROPID_NOTE, u"Note", CTRL_PICKER, 0);
    note.SetBlob(&source);
    EXPECT_EQ(note.IsChanged(), 1);
    ASSERT_EQ(note.GetBlob()->dwCount, 5u);
    EXPECT_NE(note.GetBlob()->lpb, bytes.data());
    EXPECT_EQ(std::memcmp(note.GetBlob()->lpb, bytes.data(), 5), 0);

    // A copy holds its own bytes: destroying both must not free one buffer twice.
    {
        DbJItem copy(note);
        EXPECT_NE(copy.GetBlob()->lpb, note.GetBlob()->lpb);
        EXPECT_EQ(std::memcmp(copy.GetBlob()->lpb, bytes.data(), 5), 0);
        DbJItem assigned;
        assigned = note;
        EXPECT_EQ(assigned.GetBlob()->dwCount, 5u);
    }
    EXPECT_EQ(note.GetBlob()->lpb[4], 5);

    // Reading a record's blob copies it; an empty one stores nothing.
    CEPROPVAL read = EmptyProp();
    read.propid = PROPID_NOTE;
    std::vector<BYTE> other = { 9, 8 };
    read.val.blob = BlobOf(other);
    note.SetProp(read);
    ASSERT_EQ(note.GetBlob()->dwCount, 2u);
    EXPECT_EQ(note.GetBlob()->lpb[0], 9);
    read.val.blob = CEBLOB { 0, nullptr };
    note.SetProp(read);
    EXPECT_EQ(note.GetBlob()->dwCount, 2u);

    // Clearing with an empty blob empties the item without marking a fresh one changed.
    DbJItem fresh(0, PROPID_NOTE, u"Note", CTRL_PICKER, 0);
    fresh.SetBlob(nullptr);
    EXPECT_EQ(fresh.IsChanged(), 0);
    note.SetBlob(nullptr);
    EXPECT_EQ(note.GetBlob()->dwCount, 0u);
    EXPECT_EQ(note.GetBlob()->lpb, nullptr);
}

TEST(DbJItem, NewFieldsStartAtTheirNoValueMarkers)
{
    EXPECT_EQ(DbJItem(0, PROPID_TYPE, u"Type", CTRL_COMBO_LIST, 1).GetShort(), -1);
    EXPECT_EQ(DbJItem(0, 0x00010012, u"u16", 0, 0).GetUShort(), 0xFFFF);
    EXPECT_EQ(DbJItem(0, 0x00010003, u"i32", 0, 0).GetLong(), -1);
    EXPECT_EQ(DbJItem(0, 0x00010013, u"u32", 0, 0).GetULong(), 0xFFFFFFFFu);
    EXPECT_EQ(DbJItem(0, 0x00010005, u"r8", 0, 0).GetDouble(), -1.0);
    DbJItem date(0, PROPID_DATE, u"Date", CTRL_DATE, 1);
    EXPECT_EQ(date.GetFileTime().dwLowDateTime, 0u);
    EXPECT_EQ(date.GetFileTime().dwHighDateTime, 0u);
    EXPECT_EQ(date.IsChanged(), 0);
    EXPECT_EQ(DbJItem().GetShort(), -1);
    EXPECT_EQ(DbJItem().GetItemType(), 1);
}

TEST(DbJItem, DefaultsFlagsAndEquality)
{
    DbJItem password(0, 0x0099001F, u"Password", CTRL_PASSWORD, 0);
    EXPECT_EQ(Text(password.GetDefault()), u"<No Password>");
    password.SetDefault(u"secret");
    EXPECT_EQ(Text(password.GetDefault()), u"secret");
    DbJItem subject(0, PROPID_SUBJECT, u"Subject", CTRL_COMBO_EDIT, FIELD_SORTABLE, 0, nullptr);
    EXPECT_EQ(Text(subject.GetDefault()), u"");

    EXPECT_TRUE(subject.IsFlag(FIELD_SORTABLE));
    subject.SetFlag(FIELD_EXPORT);
    EXPECT_EQ(subject.GetFlags(), FIELD_SORTABLE | FIELD_EXPORT);
    subject.DelFlag(FIELD_SORTABLE);
    EXPECT_EQ(subject.IsFlag(FIELD_SORTABLE), 0);

    DbJItem sameField(2, PROPID_SUBJECT, u"Other label", CTRL_COMBO_EDIT, 0);
    DbJItem otherControl(0, PROPID_SUBJECT, u"Subject", CTRL_COMPANY, 0);
    EXPECT_TRUE(subject == sameField);
    EXPECT_FALSE(subject == otherControl);
}

TEST(DbJItem, OwnsAndClonesItsAuxiliaryItems)
{
    DbJItem categories(0, PROPID_CATEGORIES, u"Categories", CTRL_PICKER, FIELD_SORTABLE);
    categories.GetItemList().Append(new DbCItem(5, u"Work"));
    categories.GetItemList().Append(new DbCItem(6, u"Home"));
    categories.GetExtraList().Append(new DbAItem(9, u"Ann", u"Acme"));
    DbJItem copy(categories);
    ASSERT_EQ(copy.GetItemList().Count(), 2u);
    auto* first = static_cast<DbCItem*>(copy.GetItemList().First());
    EXPECT_NE(first, categories.GetItemList().First());
    EXPECT_EQ(Text(first->GetName()), u"Work");
    auto* contact = static_cast<DbAItem*>(copy.GetExtraList().First());
    EXPECT_EQ(contact->GetOid(), 9u);
    // Both fields destroy their own items (the sanitizer build checks this).
}

TEST(ZJITEMS, InitializeBuildsTheElevenFieldsAndTwiceGivesTwentyTwo)
{
    ZJITEMS set;
    EXPECT_EQ(DbTmp::Initialize(nullptr), 0);
    EXPECT_EQ(DbTmp::Initialize(&set), 11);
    std::vector<std::u16string> labels;
    for (DbJItem* item : set) {
        labels.push_back(Text(item->GetLabel()));
        EXPECT_EQ(item->GetItemType(), 1);
        EXPECT_EQ(item->GetTab(), 0);
        EXPECT_EQ(item->GetOptPropID(), 0u);
    }
    std::vector<std::u16string> expected = { u"Subject", u"Date", u"Type", u"Company", u"Categories",
        u"Contacts", u"Attachment", u"Duration", u"Sensitivity", u"Priority", u"Note" };
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(set.GetItem(PROPID_DURATION)->GetCtrlType(), CTRL_COMBO_EDIT);
    EXPECT_EQ(set.GetItem(PROPID_NOTE)->GetFlags(), 0);
    EXPECT_EQ(set.GetItem(PROPID_COMPANY)->GetFlags(), FIELD_SORTABLE);
    EXPECT_EQ(set.GetItem(0x12345678), nullptr);

    DbJItem* firstSubject = set.GetItem(PROPID_SUBJECT);
    EXPECT_EQ(DbTmp::Initialize(&set), 22);
    EXPECT_EQ(set.GetItem(PROPID_SUBJECT), firstSubject);

    ZJITEMS clone = set.Clone();
    EXPECT_EQ(clone.Count(), 22);
    EXPECT_NE(clone.GetItem(PROPID_SUBJECT), firstSubject);
    set.Empty();
    EXPECT_EQ(set.Count(), 0);
    EXPECT_EQ(clone.Count(), 22);
}

TEST(References, ContactsEqualByOidCategoriesByNameIgnoringCase)
{
    EXPECT_TRUE(DbAItem(7, u"Ann") == DbAItem(7, u"Bob"));
    EXPECT_FALSE(DbAItem(7, u"Ann") == DbAItem(8, u"Ann"));
    EXPECT_EQ(DbAItem().GetItemType(), 0);

    DbCItem work(1, u"Work");
    EXPECT_TRUE(work == DbCItem(2, u"wORK"));
    EXPECT_TRUE(work.Compare(DbCItem(3, u"WORK")));
    EXPECT_FALSE(work == DbCItem(1, u"Home"));
    EXPECT_EQ(work.GetItemType(), 1);
    EXPECT_EQ(work.GetPropID(), PROPID_CATNAME);
}

TEST(ZOidsProp, KeepsInsertionOrderWithoutDuplicates)
{
    ZOidsProp set;
    EXPECT_EQ(set += 5, 1);
    EXPECT_EQ(set += 3, 2);
    EXPECT_EQ(set += 5, 2);
    EXPECT_EQ(set[0], 5u);
    EXPECT_EQ(set[1], 3u);
    EXPECT_TRUE(set.Remove(5));
    EXPECT_FALSE(set.Remove(5));
    EXPECT_EQ(set.Count(), 1);
}

TEST(ZOidsProp, BlobFormIsLittleEndianOidsWithoutHeader)
{
    ZOidsProp set;
    set += 0x04030201;
    set += 0x0000FF00;
    CEBLOB blob { 0, nullptr };
    EXPECT_TRUE(set.GetBlob(&blob));
    ASSERT_EQ(blob.dwCount, 8u);
    std::vector<BYTE> bytes(blob.lpb, blob.lpb + 8);
    EXPECT_EQ(bytes, (std::vector<BYTE> { 1, 2, 3, 4, 0x00, 0xFF, 0, 0 }));
    // GetBlob frees what the blob held before.
    EXPECT_TRUE(set.GetBlob(&blob));
    LocalFree(blob.lpb);

    ZOidsProp empty;
    CEBLOB none { 0, nullptr };
    EXPECT_FALSE(empty.GetBlob(&none));
    EXPECT_EQ(none.dwCount, 0u);
    EXPECT_EQ(none.lpb, nullptr);
}

TEST(ZOidsProp, CopySkipsDuplicatesAndIgnoresATornTail)
{
    std::vector<BYTE> bytes = { 7, 0, 0, 0, 9, 0, 0, 0, 7, 0, 0, 0, 1, 2 };
    ZOidsProp set(BlobOf(bytes));
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(set[0], 7u);
    EXPECT_EQ(set[1], 9u);
    CEBLOB nullBlob { 12, nullptr };
    EXPECT_EQ(set.Copy(nullBlob), 0);
}

TEST(ValueTables, TextsAndMonthBits)
{
    EXPECT_EQ(Text(TypeText(0)), u"Conversation");
    EXPECT_EQ(Text(TypeText(5)), u"Meeting");
    EXPECT_EQ(Text(TypeText(10)), u"Contact");
    EXPECT_EQ(TypeText(11), nullptr);
    EXPECT_EQ(TypeText(-1), nullptr);
    EXPECT_EQ(Text(PriorityText(2)), u"High");
    EXPECT_EQ(Text(SensitivityText(3)), u"Confidential");
    EXPECT_EQ(Text(YesNoText(1)), u"Yes");
    EXPECT_EQ(Text(DurationChoiceText(16)), u".5 days");
    EXPECT_EQ(DurationChoiceText(19), nullptr);
    EXPECT_EQ(MonthBit(0), 0u);
    EXPECT_EQ(MonthBit(1), 1u);
    EXPECT_EQ(MonthBit(12), 2048u);
    EXPECT_EQ(MonthBit(13), 0u);
}
