// The main window in a running program: its parts and commands, the
// splitter and the preview pane switch, refresh requests, the commands on
// the list's selection, the context menu, and the file commands.

#include "MainWinFixture.h"

#include "BackupCommands.h"
#include "ExportDialog.h"
#include "RunningProgramTest.h"
#include "Settings.h"
#include "ZBackup.h"
#include "ZWMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MainWindowTest : public RunningProgramTest {
protected:
    // Writes entries before the program starts (newest first in the list).
    void Write(std::initializer_list<const char16_t*> subjects)
    {
        WORD day = 1;
        for (const char16_t* subject : subjects)
            AddToJournal({ .subject = subject, .date = At(2006, 3, day++) });
    }

    // A menu item or button by its name: in the window or in one of the
    // menus of its menu bar.
    QAction* Find(const char* name)
    {
        const QString wanted = QString::fromLatin1(name);
        QAction* found = main->GetHandle()->findChild<QAction*>(wanted);
        for (QAction* menu : main->MainWindow()->menuBar()->actions())
            if (!found && menu->menu())
                found = menu->menu()->findChild<QAction*>(wanted);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QRect Geometry(QWidget* widget) { return widget->geometry(); }
    int ClientHeight() { return main->ClientArea()->height(); }
    int VSplit() { return Settings(program->app).VSplit(-1); }
    void Command(WORD id) { main->SendMessage(WM_COMMAND, id, 0); }
    int Traces(const std::u16string& line)
    {
        int count = 0;
        for (const UiCall& call : hooks.Calls(UiCall::Kind::Trace))
            count += call.text == line;
        return count;
    }
    QPoint RowCentre(int row) { return view->visualRect(main->List().Model().index(row, 1)).center(); }
    // Runs `act` on the pop-up menu as soon as one is open; `act` closes it.
    void WhenMenuOpens(std::function<void(QMenu&)> act)
    {
        menuWatch = std::make_unique<QTimer>();
        menuWatch->setInterval(20);
        QObject::connect(menuWatch.get(), &QTimer::timeout, [this, act] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menuWatch->stop();
                act(*menu);
            }
        });
        menuWatch->start();
    }

    std::unique_ptr<QTimer> menuWatch;
};

} // namespace

TEST_F(MainWindowTest, PartsAndCommandsOnAHandheldScreen)
{
    Write({ u"One", u"Two", u"Three" });
    Start();
    EXPECT_EQ(main->List().Model().Rows(), 3);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->objectName(), QStringLiteral("mainList"));

    // Bar, list, splitter and preview pane fill the client area top to bottom.
    const int height = ClientHeight();
    EXPECT_EQ(Geometry(main->Bar()), QRect(0, 0, 240, ZWMain::kBarHeight));
    EXPECT_EQ(Geometry(view).top(), ZWMain::kBarHeight);
    EXPECT_EQ(Geometry(view).bottom() + 1, Geometry(main->Splitter()).top());
    EXPECT_EQ(Geometry(main->Splitter()).height(), ZWMain::kSplitterHeight);
    EXPECT_EQ(Geometry(main->PreviewPane()).top(), Geometry(main->Splitter()).bottom() + 1);
    EXPECT_EQ(Geometry(main->PreviewPane()).bottom() + 1, height);

    // Every command is there, each with its screen.
    for (const char* name : { "actionAbout", "actionFind", "actionExport", "actionBackup", "actionRestore",
             "actionReceiveIr", "actionSync", "buttonTools", "buttonFind", "buttonPreviewPane", "buttonUp",
             "buttonDown", "buttonFilter", "buttonNew", "actionOptions" })
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    EXPECT_TRUE(Find("buttonPreviewPane")->isChecked());
    EXPECT_TRUE(Find("buttonUp")->isVisible());

    // Up and Down move the list's focus.
    main->List().SelectItem(main->List().Cache().RowOid(0));
    Command(CMD_DOWN);
    EXPECT_EQ(program->selection.Focused(), main->List().Cache().RowOid(1));
    Command(CMD_UP);
    EXPECT_EQ(program->selection.Focused(), main->List().Cache().RowOid(0));

    // The About box names the program.
    QString about;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            about = box->findChild<QLabel*>(QStringLiteral("aboutText"))->text();
            box->accept();
        }
    });
    Command(CMD_ABOUT);
    EXPECT_TRUE(about.contains(QStringLiteral("Ozm Kestrin"))) << about.toStdString();
}

TEST_F(MainWindowTest, SplitterLimitsAndThePreviewSwitch)
{
    Write({ u"One" });
    Start();
    const int height = ClientHeight();
    const int before = VSplit();

    // The bar's edge and the bottom 20 pixels are refused: nothing moves.
    const QRect list = Geometry(view);
    EXPECT_EQ(main->SendMessage(KWM_SPLITTER, 0, ZWMain::kBarHeight), 0);
    EXPECT_EQ(main->SendMessage(KWM_SPLITTER, 0, height - ZWMain::kSplitterHeight), 0);
    EXPECT_EQ(Geometry(view), list);
    EXPECT_EQ(VSplit(), before);

    EXPECT_EQ(main->SendMessage(KWM_SPLITTER, 0, 100), 1);
    EXPECT_EQ(VSplit(), 100);
    EXPECT_EQ(Geometry(view).height(), 100 - ZWMain::kBarHeight);
    EXPECT_EQ(Geometry(main->PreviewPane()).top(), 100 + ZWMain::kSplitterHeight);

    // Dragging the bar by its grip moves it by as much.
    QWidget* splitter = main->Splitter();
    const int grip = splitter->width() - 5;
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(grip, 5));
    QMouseEvent drag(QEvent::MouseMove, QPointF(grip, 35), splitter->mapToGlobal(QPointF(grip, 35)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &drag);
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(grip, 35));
    EXPECT_EQ(VSplit(), 130);

    // Without the preview pane the list reaches the bottom; the position stays.
    Find("buttonPreviewPane")->trigger();
    PumpAll();
    EXPECT_FALSE(main->PreviewPaneOn());
    EXPECT_FALSE(Settings(program->app).PreviewPane());
    EXPECT_FALSE(main->PreviewPane()->isVisible());
    EXPECT_FALSE(main->Splitter()->isVisible());
    EXPECT_FALSE(Find("buttonUp")->isVisible());
    EXPECT_EQ(Geometry(view).bottom() + 1, height);
    EXPECT_EQ(VSplit(), 130);
    Command(CMD_PREVIEW_PANE);
    EXPECT_TRUE(main->PreviewPane()->isVisible());
    EXPECT_TRUE(Find("buttonDown")->isVisible());
    EXPECT_EQ(Geometry(main->Splitter()).top(), 130);

    // A much shorter window shows the splitter at the same share of its
    // height without forgetting the position.
    main->MainWindow()->resize(240, 200);
    PumpAll();
    EXPECT_EQ(Geometry(main->Splitter()).top(), 130 * ClientHeight() / height);
    EXPECT_EQ(Geometry(main->PreviewPane()).bottom() + 1, ClientHeight());
    main->MainWindow()->resize(240, 320);
    PumpAll();
    EXPECT_EQ(Geometry(main->Splitter()).top(), 130);
    EXPECT_EQ(VSplit(), 130);
}

TEST_F(MainWindowTest, RefreshRequestsRebuildOnce)
{
    Write({ u"One", u"Two" });
    Start();
    hooks.Clear();
    // Nothing pending: the request does nothing.
    main->PostMessage(WM_COMMAND, MAKEWPARAM(KCMD_REFRESH_ID, KCMD_REFRESH), 0);
    PumpAll();
    EXPECT_EQ(Traces(u"MainList::Refresh\n"), 0);

    // A change of the journal asks for one rebuild, however often.
    ASSERT_NE(AddEntry(program->journal, { .subject = u"Three", .date = At(2007, 1, 1) }), 0u);
    main->RequestRefresh();
    main->RequestRefresh();
    ASSERT_TRUE(PumpUntil([&] { return !main->RefreshPending(); }));
    PumpAll();
    EXPECT_EQ(Traces(u"MainList::Refresh\n"), 1);
    EXPECT_EQ(main->List().Model().Rows(), 3);
    EXPECT_EQ(main->List().Model().index(0, 1).data().toString(), QStringLiteral("Three"));
}

TEST_F(MainWindowTest, ContextMenuActsOnTheEntryUnderThePointer)
{
    Write({ u"One", u"Two", u"Three" });
    Start();
    Settings(program->app).SetConfirmDeletes(false);
    const CEOID second = main->List().Cache().RowOid(1);

    QStringList items;
    CEOID focusedWhileOpen = 0;
    bool armedWhileOpen = true;
    WhenMenuOpens([&](QMenu& menu) {
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                items << action->objectName() + (action->isEnabled() ? "" : "-");
        focusedWhileOpen = program->selection.Focused();
        armedWhileOpen = main->PreviewArmed();
        menu.setActiveAction(menu.findChild<QAction*>(QStringLiteral("menuDeleteEntry")));
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    // A right click asks for the menu.
    emit view->customContextMenuRequested(RowCentre(1));
    PumpAll();
    EXPECT_EQ(items,
        QStringList(
            { "menuEdit", "menuCreateCopy", "menuDeleteEntry", "menuExportSelected", "menuSendIr" }));
    EXPECT_EQ(focusedWhileOpen, second);
    EXPECT_FALSE(armedWhileOpen);
    EXPECT_TRUE(main->PreviewArmed());
    EXPECT_EQ(main->List().Model().Rows(), 2);
    EXPECT_EQ(program->journal.SeekOid(second), 0u);

    // A long press opens it too; "Create Copy" copies the entry pressed.
    const CEOID first = main->List().Cache().RowOid(0);
    WhenMenuOpens([](QMenu& menu) {
        menu.setActiveAction(menu.findChild<QAction*>(QStringLiteral("menuCreateCopy")));
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, RowCentre(0));
    ASSERT_TRUE(PumpUntil([&] { return main->List().Model().Rows() == 3; }, 3000));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, RowCentre(0));
    PumpAll();
    EXPECT_EQ(program->selection.Focused(), first);

    // The menu opens away from the nearest corner.
    const QSize size(240, 300);
    EXPECT_EQ(ZWMain::MenuAlignment(QPoint(10, 10), size), static_cast<UINT>(TPM_LEFTALIGN | TPM_TOPALIGN));
    EXPECT_EQ(
        ZWMain::MenuAlignment(QPoint(10, 290), size), static_cast<UINT>(TPM_LEFTALIGN | TPM_BOTTOMALIGN));
    EXPECT_EQ(
        ZWMain::MenuAlignment(QPoint(230, 290), size), static_cast<UINT>(TPM_RIGHTALIGN | TPM_BOTTOMALIGN));
    EXPECT_EQ(ZWMain::MenuAlignment(QPoint(230, 10), size), static_cast<UINT>(TPM_RIGHTALIGN | TPM_TOPALIGN));
}

TEST_F(MainWindowTest, FileCommandsRunFromTheMenu)
{
    // Dates in the export follow the locale: US English here.
    const QLocale previousLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Write({ u"One", u"Two" });
    Start();
    const std::filesystem::path backup = home.file("saved.ksk");
    BackupCommands::SetPathChooser([&](QWidget*, bool, QString& path) {
        path = QString::fromStdString(backup.string());
        return true;
    });
    Find("actionBackup")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(backup); }));
    // The backup of the menu is the journal's backup: header, two records.
    const std::string saved = ReadBytes(backup);
    EXPECT_EQ(saved.substr(0, 6), std::string("\x37\x00\x01\x00\x02\x00", 6));
    const std::filesystem::path direct = home.file("direct.ksk");
    ASSERT_EQ(ZBackup(&program->journal, nullptr).Backup(ZString::FromUtf8(direct.string()), nullptr), 2u);
    EXPECT_EQ(saved, ReadBytes(direct));
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).back().text, u"2 Record(s) Backed Up");

    // Restoring into the emptied journal inserts the entries again and the
    // list shows them.
    for (CEOID oid = program->journal.SeekFirst(); oid != 0; oid = program->journal.SeekFirst())
        ASSERT_TRUE(program->journal.DeleteEntry(oid));
    main->RequestRefresh();
    ASSERT_TRUE(PumpUntil([&] { return main->List().Model().Rows() == 0; }));
    Find("actionRestore")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return main->List().Model().Rows() == 2; }));
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).back().text,
        u"Restored 2 record(s).\n\n0 existing record(s) refreshed.\n\n2 record(s) re-inserted.");

    const std::filesystem::path csv = home.file("out.csv");
    ExportDialog::SetFileChooser([&](QWidget*, ExportDialog::Target& target) {
        target.path = QString::fromStdString(csv.string());
        return true;
    });
    // OK on the export dialog as soon as it is up.
    QTimer okWhenShown;
    QObject::connect(&okWhenShown, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            okWhenShown.stop();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        }
    });
    okWhenShown.start(1);
    Find("actionExport")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(csv); }));
    BackupCommands::SetPathChooser({});
    ExportDialog::SetFileChooser({});
    QLocale::setDefault(previousLocale);
    EXPECT_EQ(ReadBytes(csv),
        "\"Subject\",\"Date\",\"Type\",\"Company\",\"Categories\",\"Contacts\",\"Attachment\",\"Duration\","
        "\"Sensitivity\",\"Priority\",\"Note\"\r\n"
        "\"Two\",\"3/2/06\",\"Note\",\"\",\"\",\"\",\"\",\"0 minutes\",\"Normal\",\"Normal\",\"\"\r\n"
        "\"One\",\"3/1/06\",\"Note\",\"\",\"\",\"\",\"\",\"0 minutes\",\"Normal\",\"Normal\",\"\"\r\n");
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, u"Exported 2 records");
}

TEST_F(MainWindowTest, EntryAddedByAnotherProcessShowsWithinASecond)
{
    Write({ u"One", u"Two" });
    Start();
    const CEOID two = main->List().Cache().RowOid(0);
    main->List().SelectItem(two);

    // The command line adds an entry while the window is open.
    const std::string command = std::string("'") + KESTRIN_CLI
        + "' add --subject 'From outside' --date '2009-01-01 10:00' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return main->List().Model().Rows() == 3; }, 1000))
        << "the list did not show the new entry within one second";
    EXPECT_EQ(main->List().Model().index(0, 1).data().toString(), QStringLiteral("From outside"));
    // The selection stays on the entry it was on, now one line lower.
    EXPECT_EQ(program->selection.Focused(), two);
    EXPECT_EQ(main->List().GetSelItem(nullptr), 1);

    // Deleted outside: the entry leaves the list and the selection.
    const std::string remove = std::string("'") + KESTRIN_CLI + "' delete " + std::to_string(two);
    ASSERT_EQ(std::system(remove.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return main->List().Model().Rows() == 2; }, 1000));
    EXPECT_FALSE(program->selection.Contains(two));
}

TEST_F(MainWindowTest, DeleteHomeAndEndKeys)
{
    Write({ u"One", u"Two", u"Three", u"Four" });
    Start();
    MainList& list = main->List();
    view->setFocus();
    const auto onlySelected = [&](int row) {
        return program->selection.Count() == 1 && program->selection.Focused() == list.Cache().RowOid(row)
            && list.GetSelItem(nullptr) == row;
    };
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_TRUE(onlySelected(3));
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_TRUE(onlySelected(0));
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(onlySelected(3));
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(onlySelected(0));

    // Delete asks as the menu's command does, and says how many.
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(program->selection.Count(), 2);
    hooks.QueueAnswer(IDNO);
    QTest::keyClick(view, Qt::Key_Delete);
    PumpAll();
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes.back().text, u"Delete 2 entries?");
    EXPECT_EQ(list.Model().Rows(), 4);

    QTest::keyClick(view, Qt::Key_End);
    const CEOID last = list.Cache().RowOid(3);
    hooks.QueueAnswer(IDYES);
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_TRUE(PumpUntil([&] { return list.Model().Rows() == 3; }));
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).back().text, u"Delete?");
    EXPECT_EQ(program->journal.SeekOid(last), 0u);
}

TEST_F(MainWindowTest, EmptyJournalOffersNoSelectionCommandsAndSaysWhatToDo)
{
    Start();
    ASSERT_EQ(main->List().Model().Rows(), 0);
    EXPECT_EQ(main->List().EmptyHint(), QStringLiteral("No entries yet. Press New to write one."));
    // The hint is drawn: the empty list is not a blank white pane.
    const QImage picture = view->viewport()->grab().toImage();
    const QRgb base = picture.pixel(picture.width() - 1, picture.height() - 1);
    int inked = 0;
    for (int y = 0; y < std::min(40, picture.height()); ++y)
        for (int x = 0; x < picture.width(); ++x)
            inked += picture.pixel(x, y) != base;
    EXPECT_GT(inked, 20);

    QStringList items;
    WhenMenuOpens([&](QMenu& menu) {
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                items << action->objectName() + (action->isEnabled() ? "" : "-");
        menu.close();
    });
    emit view->customContextMenuRequested(QPoint(20, 20));
    PumpAll();
    EXPECT_EQ(items,
        QStringList({ "menuEdit-", "menuCreateCopy-", "menuDeleteEntry-", "menuExportSelected-", "menuSendIr-" }));

    // Nothing selected: the Delete command asks nothing and does nothing.
    Command(CMD_DELETE_ENTRY);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    PumpAll();
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);

    // With a filter on, the hint speaks of the filter.
    program->journal.GetFilter().SetActive(TRUE);
    EXPECT_EQ(main->List().EmptyHint(), QStringLiteral("No entries pass the filter."));
    program->journal.GetFilter().SetActive(FALSE);
}

TEST_F(MainWindowTest, ExportSelectedStartsOnTheSelectedEntries)
{
    Write({ u"One", u"Two" });
    Start();
    const std::filesystem::path csv = home.file("picked.csv");
    ExportDialog::SetFileChooser([&](QWidget*, ExportDialog::Target& target) {
        target.path = QString::fromStdString(csv.string());
        return true;
    });
    bool selectedChosen = false;
    bool allChosen = true;
    QTimer dialogWatch;
    dialogWatch.setInterval(20);
    QObject::connect(&dialogWatch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QStringLiteral("exportDialog"))
            return;
        dialogWatch.stop();
        selectedChosen = dialog->findChild<QRadioButton*>(QStringLiteral("exportSelected"))->isChecked();
        allChosen = dialog->findChild<QRadioButton*>(QStringLiteral("exportAll"))->isChecked();
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    dialogWatch.start();
    WhenMenuOpens([&](QMenu& menu) {
        menu.setActiveAction(menu.findChild<QAction*>(QStringLiteral("menuExportSelected")));
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    emit view->customContextMenuRequested(RowCentre(1));
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(csv); }, 3000));
    ExportDialog::SetFileChooser({});
    EXPECT_TRUE(selectedChosen);
    EXPECT_FALSE(allChosen);
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).back().text, u"Exported 1 record");
}

TEST_F(MainWindowTest, SplitterPositionFollowsAMuchTallerWindow)
{
    Write({ u"One" });
    Start(QSize(240, 320));
    const int small = ClientHeight();
    ASSERT_EQ(main->SendMessage(KWM_SPLITTER, 0, 120), 1);
    EXPECT_EQ(Settings(program->app).VSplitHeight(), small);

    // The next run has a large screen: the list keeps its share of it.
    main->SendMessage(WM_CLOSE);
    program.reset();
    PumpAll();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    Start(QSize(1024, 768));
    const int large = ClientHeight();
    ASSERT_GT(large, small * 2);
    const int expected = 120 * large / small;
    EXPECT_NEAR(Geometry(main->Splitter()).top(), expected, 1);
    // Shown, not stored: the position stays the user's, for its height.
    EXPECT_EQ(VSplit(), 120);

    // Heights that differ little keep the position as it is.
    EXPECT_EQ(ZWMain::ScaledSplit(120, 280, 300), 120);
    EXPECT_EQ(ZWMain::ScaledSplit(120, 280, 140), 60);
    EXPECT_EQ(ZWMain::ScaledSplit(120, 0, 700), 120);
}
