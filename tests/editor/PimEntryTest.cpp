// The entry editor opened on an address-book item carried in: the new entry
// is pre-filled from the item and OK writes it even when nothing was edited.

#include "EditorFixture.h"

#include "JournalProps.h"
#include "PackedLists.h"
#include "PimDataBlock.h"
#include "ZOidsProp.h"

namespace {

std::u16string Subject(const ZJITEMS& set)
{
    return Text(set.GetItem(PROPID_SUBJECT)->GetStrValue());
}

// The entries the relation index lists under `name` of kind `kind`.
std::vector<CEOID> Listed(DbKestrin& journal, LPCWSTR name, DWORD kind)
{
    ZOidsProp list;
    journal.GetRelX().GetOidList(name, list, kind);
    return { list.begin(), list.end() };
}

} // namespace

TEST_F(EditorTest, ContactItemPreFillsAndOkWithoutEditsWritesItLinked)
{
    PimDataBlock block;
    block.kind = 0;
    block.itemOid = 0x1234;
    block.subject = u"Adams, Amy";
    block.contactName = u"Adams, Amy";
    block.company = u"Acme & Sons";
    block.entryType = 0; // a conversation
    // An editor asked to edit an existing entry still opens a new one.
    const CEOID existing = Add({ .subject = u"other", .date = At(2020, 5, 1) });
    OpenEditor(existing, 0, &block);
    EXPECT_EQ(editor->Oid(), 0u);
    EXPECT_TRUE(editor->IsChanged());
    EXPECT_TRUE(Dialog()->windowTitle().endsWith(QLatin1Char('*')));
    EXPECT_EQ(Cell(PROPID_TYPE), QStringLiteral("Conversation"));
    EXPECT_EQ(Cell(PROPID_COMPANY), QStringLiteral("Acme & Sons"));
    EXPECT_EQ(Cell(PROPID_SUBJECT), QString()); // a contact's name is no subject
    EXPECT_EQ(Cell(PROPID_CONTACTS), QStringLiteral("Adams, Amy"));
    ZString today;
    ZTime(Now()).ShortDate(today); // a contact has no date: today's
    EXPECT_TRUE(Cell(PROPID_DATE).startsWith(today.ToQString())) << Cell(PROPID_DATE).toStdString();

    PressOk();
    EXPECT_EQ(editor->Result(), 1);
    EXPECT_EQ(journal.GetRecCount(KIND_ENTRY), 2u);
    const CEOID oid = selection.Focused();
    EXPECT_NE(oid, existing);
    EXPECT_EQ(Subject(Read(existing)), u"other");
    const ZJITEMS saved = Read(oid);
    EXPECT_EQ(saved.GetItem(PROPID_TYPE)->GetShort(), 0);
    EXPECT_EQ(Text(saved.GetItem(PROPID_COMPANY)->GetStrValue()), u"Acme & Sons");
    std::vector<DbAItem> contacts;
    ASSERT_TRUE(UnpackContacts(*saved.GetItem(PROPID_CONTACTS)->GetBlob(), contacts));
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].GetOid(), 0x1234u);
    EXPECT_EQ(contacts[0].GetName().ToQString(), QStringLiteral("Adams, Amy"));
    EXPECT_EQ(contacts[0].GetSecondText().ToQString(), QStringLiteral("Acme & Sons"));
    // The contact counts in the relation index like one picked by hand.
    EXPECT_EQ(Listed(journal, u"Adams, Amy", KIND_CONTACT), std::vector<CEOID> { oid });
}

TEST_F(EditorTest, AppointmentItemSetsSubjectDateAndTypeWithoutAContact)
{
    PimDataBlock block;
    block.kind = 1;
    block.itemOid = 77;
    block.subject = u"Budget review";
    block.date = At(2026, 3, 4, 9, 15);
    block.entryType = 5; // a meeting
    OpenEditor(0, 0, &block);
    EXPECT_EQ(Cell(PROPID_SUBJECT), QStringLiteral("Budget review"));
    EXPECT_EQ(Cell(PROPID_TYPE), QStringLiteral("Meeting"));
    EXPECT_EQ(Cell(PROPID_CONTACTS), QString());

    PressOk();
    EXPECT_EQ(editor->Result(), 1);
    EXPECT_EQ(journal.GetRecCount(KIND_ENTRY), 1u);
    const ZJITEMS saved = Read(selection.Focused());
    EXPECT_EQ(Subject(saved), u"Budget review");
    EXPECT_EQ(ZTime(saved.GetItem(PROPID_DATE)->GetFileTime()).Ticks(), block.date);
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CONTACT), std::vector<CEOID> { selection.Focused() });
}
