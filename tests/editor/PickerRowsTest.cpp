// The Categories and Contacts rows open the program's pickers, and what the
// user checks there is saved with the entry and listed in the relation index.
#include "EditorFixture.h"

#include "DbRelX.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "ZOidsProp.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

// Runs `act` on the modal dialog named `name` as soon as it is shown.
void WhenShown(const QString& name, std::function<void(QDialog&)> act)
{
    auto* watch = new QTimer;
    watch->setInterval(10);
    QObject::connect(watch, &QTimer::timeout, [watch, name, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible() && dialog->findChild<QWidget*>(name)) {
            watch->stop();
            watch->deleteLater();
            act(*dialog);
        }
    });
    watch->start();
}

void PressDialogOk(QDialog& dialog, const char* buttons)
{
    dialog.findChild<QDialogButtonBox*>(QString::fromLatin1(buttons))->button(QDialogButtonBox::Ok)->click();
}

} // namespace

TEST_F(EditorTest, PickedCategoriesAndContactsAreSavedWithTheEntry)
{
    const std::filesystem::path contacts = home.path() / "contacts";
    std::filesystem::create_directories(contacts);
    std::ofstream(contacts / "ann.vcf") << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Lee\r\n"
                                           "N:Lee;Ann;;;\r\nORG:Harbour Ltd\r\nEND:VCARD\r\n";
    const CEOID oid = Add({ .subject = u"Lunch", .date = At(2026, 12, 1, 12, 0) });
    OpenEditor(oid);

    WhenShown(QStringLiteral("categoryList"), [](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("categoryList"));
        const QList<QListWidgetItem*> business = list->findItems(QStringLiteral("Business"), Qt::MatchExactly);
        ASSERT_EQ(business.size(), 1);
        // A tap on the row's text checks it, as on the handheld.
        list->show();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(business.front()).center());
        PressDialogOk(dialog, "categoryPickerButtons");
    });
    TapValue(PROPID_CATEGORIES);
    EXPECT_EQ(Cell(PROPID_CATEGORIES), QStringLiteral("Business"));

    WhenShown(QStringLiteral("contactList"), [](QDialog& dialog) {
        auto* list = dialog.findChild<QTableView*>(QStringLiteral("contactList"));
        ASSERT_EQ(list->model()->rowCount(), 1);
        list->model()->setData(list->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        PressDialogOk(dialog, "contactPickerButtons");
    });
    TapValue(PROPID_CONTACTS);
    EXPECT_EQ(Cell(PROPID_CONTACTS), QStringLiteral("Lee, Ann"));

    PressOk();
    ZJITEMS saved = Read(oid);
    std::vector<DbCItem> categories;
    UnpackCategories(*saved.GetItem(PROPID_CATEGORIES)->GetBlob(), categories);
    ASSERT_EQ(categories.size(), 1u);
    EXPECT_EQ(Text(categories.front().GetName()), u"Business");
    std::vector<DbAItem> linked;
    UnpackContacts(*saved.GetItem(PROPID_CONTACTS)->GetBlob(), linked);
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_NE(linked.front().GetOid(), 0u);
    // The relation index lists the entry under the category and the contact.
    DbRelX relations;
    ASSERT_TRUE(relations.Open(nullptr));
    ZOidsProp underCategory;
    ZOidsProp underContact;
    EXPECT_TRUE(relations.GetOidList(u"Business", underCategory, PROPID_CATEGORIES));
    EXPECT_TRUE(relations.GetOidList(u"Lee, Ann", underContact, PROPID_CONTACTS));
    EXPECT_TRUE(underCategory.Contains(oid));
    EXPECT_TRUE(underContact.Contains(oid));
}
