// The category picker over the shared categories: check marks found by OID
// with its name or by name, hidden categories kept, categories added on the
// other page, names kept whole, and the journal's counters of unrelated
// categories left alone.
#include "ContactsFixture.h"

#include "CategoryLink.h"
#include "CategoryPicker.h"
#include "DbCats.h"
#include "PackedLists.h"
#include "ReferenceFields.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

namespace {

class CategoryPickerTest : public ContactsTest {
protected:
    CategoryPickerTest()
    {
        field.SetPropID(PROPID_CATEGORIES);
        field.SetLabel(u"Categories");
        // A new store comes with the usual categories; these tests bring
        // their own.
        DbCats categories;
        EXPECT_TRUE(categories.Open(nullptr));
        std::vector<CEOID> provisioned;
        for (CEOID oid = categories.SeekFirst(); oid != 0; oid = categories.SeekNext())
            provisioned.push_back(oid);
        for (CEOID oid : provisioned)
            categories.DeleteRecord(oid);
        categories.Close();
    }

    CEOID AddCategory(const std::u16string& name)
    {
        DbCats categories;
        EXPECT_TRUE(categories.Open(nullptr));
        const CEOID oid = categories.AddCategory(name.c_str(), PROPID_CATCOUNT_JOURNAL);
        categories.Close();
        return oid;
    }

    int Counter(CEOID oid)
    {
        DbCats categories;
        EXPECT_TRUE(categories.Open(nullptr));
        DbCItem counter(PROPID_CATCOUNT_JOURNAL);
        TSList<DbCItem> list;
        list.Append(&counter);
        categories.Read(oid, &list);
        categories.Close();
        return counter.GetShort();
    }

    void SetEntryCategories(const std::vector<DbCItem>& categories)
    {
        StoreCategoriesField(field, categories);
    }

    std::vector<DbCItem> EntryCategories()
    {
        std::vector<DbCItem> categories;
        UnpackCategories(*field.GetBlob(), categories);
        return categories;
    }

    // Runs the picker for the field; `act` gets the picker and its dialog.
    int Pick(const std::function<void(CategoryPicker&, QDialog&)>& act, DbJItem* target)
    {
        CategoryPicker picker(target);
        return RunModal(
            picker, [&] { return picker.Run(&owner); }, [&](QDialog& shown) { act(picker, shown); });
    }

    static QListWidget* CheckList(QDialog& shown) { return shown.findChild<QListWidget*>("categoryList"); }
    static QStringList Checked(QDialog& shown)
    {
        QStringList names;
        QListWidget* list = CheckList(shown);
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->checkState() == Qt::Checked)
                names << list->item(row)->text();
        return names;
    }
    static void Ok(QDialog& shown)
    {
        shown.findChild<QDialogButtonBox*>("categoryPickerButtons")->button(QDialogButtonBox::Ok)->click();
    }

    DbJItem field;
};

} // namespace

TEST_F(CategoryPickerTest, ChecksByOidWithNameOrByNameAndKeepsHiddenOnes)
{
    const CEOID work = AddCategory(u"Work");
    const CEOID home = AddCategory(u"Home");
    const CEOID secret = AddCategory(u"Secret");
    {
        DbCats categories;
        ASSERT_TRUE(categories.Open(nullptr));
        categories.HideCategory(secret);
        categories.Close();
    }
    // "Work" carries another device's OID, which is "Home" here; "Secret"
    // is hidden; "Gone" exists nowhere.
    SetEntryCategories({ DbCItem(home, u"work"), DbCItem(secret, u"Secret"), DbCItem(999, u"Gone") });

    const int result = Pick(
        [&](CategoryPicker&, QDialog& shown) {
            QListWidget* list = CheckList(shown);
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->count(), 2); // Home, Work: the hidden one is not listed
            EXPECT_EQ(Checked(shown), QStringList { "Work" });
            Ok(shown);
        },
        &field);
    EXPECT_EQ(result, 1); // the entry's copy of Work took Work's OID
    const std::vector<DbCItem> stored = EntryCategories();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].GetOid(), work);
    EXPECT_EQ(Text(stored[1].GetName()), u"Secret");
    EXPECT_EQ(Text(stored[2].GetName()), u"Gone");
    EXPECT_EQ(Text(field.GetStrValue()), u"work; Secret; Gone");

    // Nothing to re-link now: no change.
    EXPECT_EQ(Pick([&](CategoryPicker&, QDialog& shown) { Ok(shown); }, &field), 0);
}

TEST_F(CategoryPickerTest, TogglingAndUncheckingAllClearsTheField)
{
    AddCategory(u"Alpha");
    AddCategory(u"Beta");
    SetEntryCategories({ DbCItem(0, u"alpha") });
    const int result = Pick(
        [&](CategoryPicker& picker, QDialog& shown) {
            QListWidget* list = CheckList(shown);
            // A tap on a row's text toggles it as well as one on its box.
            list->show();
            QTest::mouseClick(
                list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
            EXPECT_EQ(Checked(shown), (QStringList { "Alpha", "Beta" }));
            picker.ToggleRow(0);
            picker.ToggleRow(1);
            EXPECT_TRUE(Checked(shown).isEmpty());
            EXPECT_TRUE(picker.Chosen().empty());
            Ok(shown);
        },
        &field);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Text(field.GetStrValue()), u"");
    EXPECT_EQ(field.GetBlob()->dwCount, 0u);
}

TEST_F(CategoryPickerTest, CategoryAddedOnTheOtherPageIsListedUncheckedAndLongNamesStayWhole)
{
    AddCategory(u"Existing");
    const std::u16string longName(150, u'L');
    Pick(
        [&](CategoryPicker& picker, QDialog& shown) {
            picker.ShowPage(CategoryPicker::kAddDeletePage);
            auto* edit = shown.findChild<QLineEdit*>("addDeleteField");
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->maxLength(), 200);
            edit->setText(QString::fromStdU16String(longName));
            shown.findChild<QPushButton*>("addDeleteAdd")->click();
            shown.findChild<QTabBar*>("categoryTabs")->setCurrentIndex(CategoryPicker::kSelectPage);
            QListWidget* list = CheckList(shown);
            ASSERT_EQ(list->count(), 2);
            EXPECT_TRUE(Checked(shown).isEmpty());
            const QList<QListWidgetItem*> found
                = list->findItems(QString::fromStdU16String(longName), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            picker.ToggleRow(list->row(found.front()));
            Ok(shown);
        },
        &field);
    const std::vector<DbCItem> stored = EntryCategories();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(Text(stored[0].GetName()), longName);

    // Saving the entry counts the category itself, not a cut copy.
    ZJITEMS set = MakeEntry({ .subject = u"Long", .date = At(2005, 1, 1) });
    set.GetItem(PROPID_CATEGORIES)->SetBlob(field.GetBlob());
    ASSERT_NE(db.Write(0, &set), 0u);
    DbCats categories;
    ASSERT_TRUE(categories.Open(nullptr));
    EXPECT_EQ(VisibleCategories(categories).size(), 2u);
    const CEOID oid = categories.FindCategory(longName.c_str());
    categories.Close();
    EXPECT_EQ(oid, stored[0].GetOid());
    EXPECT_EQ(Counter(oid), 1);
}

TEST_F(CategoryPickerTest, WithoutAnEntryOnlyTheListEditorShowsAndDeletesAfterAsking)
{
    AddCategory(u"Keep");
    AddCategory(u"Drop");
    hooks.QueueAnswer(IDYES);
    const int result = Pick(
        [&](CategoryPicker&, QDialog& shown) {
            EXPECT_EQ(shown.findChild<QListWidget*>("categoryList"), nullptr);
            EXPECT_EQ(shown.findChild<QTabBar*>("categoryTabs"), nullptr);
            auto* edit = shown.findChild<QLineEdit*>("addDeleteField");
            auto* items = shown.findChild<QListWidget*>("addDeleteItems");
            ASSERT_TRUE(edit && items);
            QTest::keyClicks(edit, "dr");
            shown.findChild<QPushButton*>("addDeleteDelete")->click();
            EXPECT_EQ(items->count(), 1);
            EXPECT_EQ(items->item(0)->text(), "Keep");
            Ok(shown);
        },
        nullptr);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox)[0].text, u"Delete?");
}

TEST_F(CategoryPickerTest, ForeignOidLowersTheCounterOfTheNamedCategoryOnly)
{
    // Two entries count "Work" and "Home" here.
    const CEOID a = Add({ .subject = u"a", .date = At(2005, 1, 1), .categories = { u"Work" } });
    Add({ .subject = u"b", .date = At(2005, 1, 2), .categories = { u"Home" } });
    DbCats categories;
    ASSERT_TRUE(categories.Open(nullptr));
    const CEOID work = categories.FindCategory(u"Work");
    const CEOID home = categories.FindCategory(u"Home");
    EXPECT_EQ(FindStoredCategory(categories, home, u"HOME"), home);
    EXPECT_EQ(FindStoredCategory(categories, home, u"work"), work);
    EXPECT_EQ(FindStoredCategory(categories, home, u"Nowhere"), 0u);
    categories.Close();
    ASSERT_EQ(Counter(work), 1);
    ASSERT_EQ(Counter(home), 1);

    // A restored entry's "Work" carries the OID "Home" has here.
    DbCItem foreign(home, u"Work");
    EXPECT_TRUE(db.GetRelX().DecCategoryUse(a, &foreign));
    EXPECT_EQ(Counter(work), 0);
    EXPECT_EQ(Counter(home), 1);
}
