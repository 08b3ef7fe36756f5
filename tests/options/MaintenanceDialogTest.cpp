// The maintenance dialog's figures (full 32-bit counts, read again after the
// integrity check it runs) and the categories list editor over the shared
// categories database.

#include "MainWinFixture.h"

#include "CategoriesDialog.h"
#include "CategoryListEditor.h"
#include "DbCats.h"
#include "JournalTools.h"
#include "MaintenanceDialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

class MaintenanceDialogTest : public MainWinTest {
protected:
    ~MaintenanceDialogTest() override { dialog.Destroy(); }

    void Open()
    {
        ASSERT_NE(dialog.CreateModeless(nullptr, {}, QStringLiteral("maintenanceDialog")), nullptr);
    }
    QString Figure(const char* name)
    {
        auto* label = dialog.GetHandle()->findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("missing");
    }

    MaintenanceDialog dialog { journal };
};

class CategoryEditorTest : public MainWinTest {
protected:
    CategoryEditorTest()
    {
        EXPECT_TRUE(editor.Create({}, {}, nullptr, QStringLiteral("categoryListEditor")));
    }

    QStringList Listed()
    {
        QStringList names;
        for (int i = 0; i < editor.GetCount(); ++i)
            names << editor.GetItemText(i);
        return names;
    }
    const CategoryInfo* Stored(const std::u16string& name)
    {
        stored = ListCategories();
        for (const CategoryInfo& category : stored)
            if (category.name == name)
                return &category;
        return nullptr;
    }

    CategoryListEditor editor;
    std::vector<CategoryInfo> stored;
};

} // namespace

TEST_F(MaintenanceDialogTest, FiguresOfAnEmptyJournalAndAfterAnIntegrityCheck)
{
    Open();
    EXPECT_EQ(Figure("maintenanceRecords"), QStringLiteral("0"));
    EXPECT_EQ(Figure("maintenanceContactLinks"), QStringLiteral("0"));
    EXPECT_EQ(Figure("maintenanceCategoryLinks"), QStringLiteral("0"));

    Add({ .subject = u"Call",
        .date = At(2006, 1, 2),
        .categories = { u"Business" },
        .contacts = { u"Ann" } });
    Add({ .subject = u"Lunch",
        .date = At(2006, 1, 3),
        .categories = { u"Personal" },
        .contacts = { u"Bob" } });
    // Lose the relation records: the check rebuilds them.
    DbRelX& relx = journal.GetRelX();
    for (CEOID oid = relx.SeekFirst(); oid != 0; oid = relx.SeekFirst())
        ASSERT_TRUE(relx.DeleteRecord(oid));
    dialog.FillValues();
    EXPECT_EQ(Figure("maintenanceRecords"), QStringLiteral("2"));
    EXPECT_EQ(Figure("maintenanceContactLinks"), QStringLiteral("0"));
    EXPECT_NE(Figure("maintenanceSize"), QStringLiteral("0"));

    hooks.QueueAnswer(IDNO); // no backup first
    dialog.GetHandle()->findChild<QPushButton*>("maintenanceCheck")->click();
    EXPECT_EQ(Figure("maintenanceRecords"), QStringLiteral("2"));
    EXPECT_EQ(Figure("maintenanceContactLinks"), QStringLiteral("2"));
    EXPECT_EQ(Figure("maintenanceCategoryLinks"), QStringLiteral("2"));
    EXPECT_EQ(dialog.GetHandle()->findChild<QLabel*>("maintenanceStatus")->text(),
        QStringLiteral("Successfully Complete!"));
}

TEST_F(MaintenanceDialogTest, CountsAboveSixteenBitsAreShownWhole)
{
    AddBare(70000);
    Open();
    EXPECT_EQ(Figure("maintenanceRecords"), QStringLiteral("70000"));
    EXPECT_EQ(MaintenanceDialog::FigureText(100000), QStringLiteral("100000"));
}

TEST_F(CategoryEditorTest, AddAndDeleteCategories)
{
    ASSERT_TRUE(editor.LoadList());
    const QStringList defaults = Listed();

    editor.Field().SetText(QStringLiteral("Voyage"));
    EXPECT_TRUE(editor.AddCategory());
    EXPECT_TRUE(Listed().contains(QStringLiteral("Voyage")));
    EXPECT_TRUE(editor.Field().Text().isEmpty());
    ASSERT_NE(Stored(u"Voyage"), nullptr);

    // A name longer than the limit is cut to it.
    editor.Field().SetText(QString(250, u'x'));
    EXPECT_TRUE(editor.AddCategory());
    EXPECT_NE(Stored(std::u16string(CategoryListEditor::kMaxNameChars, u'x')), nullptr);

    // No keeps it; Yes deletes the unused category.
    editor.Field().SetText(QStringLiteral("Voy"));
    ASSERT_EQ(editor.GetItemText(editor.GetCurSel()), QStringLiteral("Voyage"));
    hooks.QueueAnswer(IDNO);
    EXPECT_FALSE(editor.DeleteCategory());
    EXPECT_NE(Stored(u"Voyage"), nullptr);
    editor.Field().SetText(QStringLiteral("Voy"));
    hooks.QueueAnswer(IDYES);
    EXPECT_TRUE(editor.DeleteCategory());
    EXPECT_EQ(Stored(u"Voyage"), nullptr);
    EXPECT_FALSE(Listed().contains(QStringLiteral("Voyage")));
    EXPECT_FALSE(editor.DeleteButton().IsEnabled());

    // A category in use is hidden, not deleted, and leaves the list.
    Add({ .subject = u"Trip", .date = At(2006, 5, 1), .categories = { u"Expedition" } });
    ASSERT_TRUE(editor.LoadList());
    editor.Field().SetText(QStringLiteral("Expedition"));
    hooks.QueueAnswer(IDYES);
    EXPECT_TRUE(editor.DeleteCategory());
    ASSERT_NE(Stored(u"Expedition"), nullptr);
    EXPECT_TRUE(Stored(u"Expedition")->hidden);
    EXPECT_FALSE(Listed().contains(QStringLiteral("Expedition")));
    for (const QString& name : defaults)
        EXPECT_TRUE(Listed().contains(name)) << name.toStdString();
}
