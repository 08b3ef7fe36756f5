// The contact picker driven as the user would: contacts resolved on
// opening (or offered to the address book), letter tabs and typed letters,
// check boxes, the card, and what OK writes into the field.
#include "ContactsFixture.h"

#include "ContactCard.h"
#include "ContactLink.h"
#include "ContactListModel.h"
#include "ContactPicker.h"
#include "PackedLists.h"
#include "ReferenceFields.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>

namespace {

class ContactPickerTest : public ContactsTest {
protected:
    ContactPickerTest()
    {
        field.SetPropID(PROPID_CONTACTS);
        field.SetLabel(u"Contacts");
        // File-as order: Adams, Baker, Bates, Carter, Evans, Young.
        WriteCard("adams", "Adams, Amy", "Acme");
        WriteCard("baker", "Baker, Ben", "");
        WriteCard("bates", "bates, bill", "Bolt");
        WriteCard("carter", "Carter, Cid", "Acme");
        WriteCard("evans", "Evans, Eve", "");
        WriteCard("young", "Young, Yul", "");
    }

    std::vector<DbAItem> EntryContacts()
    {
        std::vector<DbAItem> contacts;
        UnpackContacts(*field.GetBlob(), contacts);
        return contacts;
    }

    int Pick(const std::function<void(ContactPicker&, QDialog&)>& act)
    {
        ContactPicker picker(field, store);
        return RunModal(
            picker, [&] { return picker.Run(&owner); }, [&](QDialog& shown) { act(picker, shown); });
    }

    static QTableView* List(QDialog& shown) { return shown.findChild<QTableView*>("contactList"); }
    static void Ok(QDialog& shown)
    {
        shown.findChild<QDialogButtonBox*>("contactPickerButtons")->button(QDialogButtonBox::Ok)->click();
    }
    static QString RowName(QDialog& shown, int row)
    {
        return List(shown)->model()->index(row, 0).data().toString();
    }

    DbJItem field;
};

} // namespace

TEST_F(ContactPickerTest, ListsTheBookAndWritesTheCheckedContactsOnOk)
{
    const int result = Pick([&](ContactPicker&, QDialog& shown) {
        QTableView* list = List(shown);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(shown.windowTitle(), "Contacts");
        ASSERT_EQ(list->model()->rowCount(), 6);
        EXPECT_EQ(RowName(shown, 2), "bates, bill");
        EXPECT_EQ(list->model()->index(2, 1).data().toString(), "Bolt");
        // Ticking the box of two rows, as the user does.
        list->show();
        for (int row : { 3, 0 }) {
            const QModelIndex index = list->model()->index(row, 0);
            EXPECT_TRUE(list->model()->setData(index, Qt::Checked, Qt::CheckStateRole));
        }
        EXPECT_EQ(list->model()->index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        EXPECT_EQ(list->currentIndex().row(), 0); // the ticked row is selected
        Ok(shown);
    });
    EXPECT_EQ(result, 1);
    const std::vector<DbAItem> stored = EntryContacts();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(Text(stored[0].GetName()), u"Carter, Cid");
    EXPECT_EQ(Text(stored[0].GetSecondText()), u"Acme");
    EXPECT_EQ(stored[0].GetOid(), IdOf(u"carter"));
    EXPECT_EQ(Text(field.GetStrValue()), u"Carter, Cid; Adams, Amy");

    // Unchecking every contact stores an empty text and an empty list.
    EXPECT_EQ(Pick([&](ContactPicker&, QDialog& shown) {
        for (int row : { 0, 3 })
            List(shown)->model()->setData(
                List(shown)->model()->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
        Ok(shown);
    }),
        1);
    EXPECT_EQ(Text(field.GetStrValue()), u"");
    EXPECT_EQ(field.GetBlob()->dwCount, 0u);
}

TEST_F(ContactPickerTest, LetterTabsCycleAndTypedLettersFoldTheirCase)
{
    Pick([&](ContactPicker& picker, QDialog& shown) {
        // "#ab" three times: the top, the first "a", the first "b".
        picker.TapTab(0);
        EXPECT_EQ(picker.CurrentRow(), 0);
        picker.TapTab(0);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Adams, Amy");
        picker.TapTab(0);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Baker, Ben");
        // Another tab starts at its first letter: " cde" gives "c".
        picker.TapTab(1);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Carter, Cid");
        picker.TapTab(1);
        picker.TapTab(1);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Evans, Eve");
        // A letter no name begins with stops where such names would be.
        picker.TapTab(2);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Young, Yul");
        picker.TapTab(8); // "x" comes after every name but Young's
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Young, Yul");

        // A capital typed into the list finds lower-case names too.
        QTest::keyClick(List(shown), Qt::Key_B, Qt::ShiftModifier);
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Baker, Ben");
        picker.TypeLetter(u'C');
        EXPECT_EQ(RowName(shown, picker.CurrentRow()), "Carter, Cid");
        picker.TypeLetter(u'A');
        EXPECT_EQ(picker.CurrentRow(), 0); // the first contact's letter
        Ok(shown);
    });
}

TEST_F(ContactPickerTest, OpeningResolvesStoredContactsAndOffersMissingOnes)
{
    ASSERT_TRUE(store.Logon());
    // Carter with another device's id (Young's here), a missing contact the
    // user adds, and one the user declines.
    StoreContactsField(field,
        { DbAItem(IdOf(u"young"), u"Carter, Cid", u"Acme"), DbAItem(0, u"Doe, Jane", u"Initech"),
            DbAItem(77, u"Nobody Here", u"") });
    hooks.QueueAnswer(IDYES);
    hooks.QueueAnswer(IDNO);
    const int result = Pick([&](ContactPicker& picker, QDialog& shown) {
        EXPECT_EQ(List(shown)->model()->rowCount(), 7);
        ASSERT_EQ(picker.Chosen().size(), 3u);
        EXPECT_EQ(picker.Chosen()[0].GetOid(), IdOf(u"carter"));
        Ok(shown);
    });
    EXPECT_EQ(result, 1); // a contact was added to the address book
    const std::vector<UiCall> asked = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text,
        u"This contact\n\nDoe, Jane\nInitech\n\nis not in the address book. You must add it to the address "
        u"book "
        u"if you wish to use it in Kestrin.\n\nAdd Contact to the address book?");
    EXPECT_EQ(asked[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));

    const std::vector<DbAItem> stored = EntryContacts();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].GetOid(), IdOf(u"carter"));
    const PimContact* jane = store.ContactFromOid(stored[1].GetOid());
    ASSERT_NE(jane, nullptr);
    EXPECT_EQ(jane->family, u"Doe");
    EXPECT_EQ(jane->company, u"Initech");
    EXPECT_EQ(stored[2].GetOid(), 77u); // declined: kept as stored
}

TEST_F(ContactPickerTest, LogonFailureEndsThePickerAndLeavesTheField)
{
    StoreContactsField(field, { DbAItem(5, u"Adams, Amy", u"Acme") });
    // A file where the folder should be: the address book cannot be read.
    folders.contacts = home.path() / "not-a-folder";
    std::ofstream(folders.contacts) << "x";
    store.SetFolders(folders);
    ContactPicker picker(field, store);
    EXPECT_EQ(picker.Run(&owner), -1);
    ASSERT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox)[0].text, ContactPicker::kLogonFailedText);
    EXPECT_EQ(EntryContacts()[0].GetOid(), 5u);
}

TEST_F(ContactPickerTest, TheCardShowsTheContactAndOpensItsFile)
{
    ASSERT_TRUE(store.Logon());
    std::vector<QUrl> opened;
    ContactCard::SetFileOpener([&](const QUrl& file) {
        opened.push_back(file);
        return true;
    });
    ContactCard card(*store.ContactAt(4));
    RunModal(
        card,
        [&] {
            card.Run(&owner);
            return 0;
        },
        [&](QDialog& shown) {
            EXPECT_EQ(shown.findChild<QLabel*>("cardCompany")->text(), "Acme");
            shown.findChild<QPushButton*>("cardOpen")->click();
            shown.reject();
        });
    ContactCard::SetFileOpener({});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), (folders.contacts / "carter.vcf").string());

    // Showing a stored contact that is nowhere, the user declining to add it.
    DbAItem gone(0, u"Gone, Long", u"");
    hooks.QueueAnswer(IDNO);
    ContactPicker::ShowContact(&owner, gone, store);
    const std::vector<UiCall> boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, ContactPicker::kCannotDisplayText);
}
