// The main window opens the entry editor: New for a new entry, Edit, a
// double click and Enter for the focused one; after OK the list shows the
// saved entry selected.

#include "MainListModel.h"
#include "RunningProgramTest.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMainWindow>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

class EditorFromMainWindowTest : public RunningProgramTest {
protected:
    // Sets the subject in the editor as soon as it opens, then presses OK.
    void WhenEditorOpens(const QString& subject)
    {
        watch = std::make_unique<QTimer>();
        watch->setInterval(10);
        QObject::connect(watch.get(), &QTimer::timeout, [this, subject] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != QStringLiteral("entryEditor") || !dialog->isVisible())
                return;
            watch->stop();
            openedOn = program->selection.Focused();
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("propertyList"));
            const QRect cell = table->visualRect(table->model()->index(0, 1));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 20, cell.center().y()));
            auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fieldCombo"));
            ASSERT_NE(box, nullptr);
            box->setEditText(subject);
            dialog->findChild<QAction*>(QStringLiteral("buttonOk"))->trigger();
        });
        watch->start();
    }

    std::u16string SubjectOf(CEOID oid)
    {
        ZJITEMS set;
        program->journal.Read(oid, &set, FALSE);
        return Text(set.GetItem(PROPID_SUBJECT)->GetStrValue());
    }

    CEOID openedOn = 1;
    std::unique_ptr<QTimer> watch;
};

} // namespace

TEST_F(EditorFromMainWindowTest, NewEditDoubleClickAndEnterOpenTheEditor)
{
    Start();
    // New: an empty entry; after OK the list holds it, selected.
    WhenEditorOpens(QStringLiteral("First"));
    main->GetHandle()->findChild<QAction*>(QStringLiteral("buttonNew"))->trigger();
    PumpUntil([&] { return main->List().Model().Rows() == 1; });
    EXPECT_EQ(openedOn, 0u);
    ASSERT_EQ(main->List().Model().Rows(), 1);
    const CEOID first = program->selection.Focused();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(SubjectOf(first), u"First");
    EXPECT_EQ(main->List().GetSelItem(nullptr), 0);

    // Edit: the focused entry.
    WhenEditorOpens(QStringLiteral("Renamed"));
    main->SendMessage(WM_COMMAND, CMD_EDIT, 0);
    PumpAll();
    EXPECT_EQ(openedOn, first);
    EXPECT_EQ(SubjectOf(first), u"Renamed");

    // A double click and Enter on the line.
    WhenEditorOpens(QStringLiteral("Clicked"));
    emit view->doubleClicked(main->List().Model().index(0, 1));
    PumpUntil([&] { return SubjectOf(first) == u"Clicked"; });
    EXPECT_EQ(SubjectOf(first), u"Clicked");
    WhenEditorOpens(QStringLiteral("Entered"));
    QTest::keyClick(view, Qt::Key_Return);
    PumpUntil([&] { return SubjectOf(first) == u"Entered"; });
    EXPECT_EQ(SubjectOf(first), u"Entered");
    EXPECT_EQ(main->List().Model().Rows(), 1);
}
