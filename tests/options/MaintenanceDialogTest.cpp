// The maintenance dialog's figures: full 32-bit counts, read again after the
// integrity check it runs.

#include "MainWinFixture.h"

#include "JournalTools.h"
#include "MaintenanceDialog.h"

#include <QLabel>
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
