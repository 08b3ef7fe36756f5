// The options dialog in a running program: list rows written at OK and seen
// by the main window afterwards (date format, preview pane), the skin
// chooser (applied at once; a cancelled one still counts as a change), the
// address-book folders, and the password row.

#include "OptionsDialog.h"
#include "IntegrationExports.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "PasswordLock.h"
#include "PimFolders.h"
#include "PimIdMap.h"
#include "ProgramText.h"
#include "RunningProgramTest.h"
#include "Settings.h"
#include "WindowLink.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

namespace {

class OptionsDialogTest : public RunningProgramTest {
protected:
    ~OptionsDialogTest() override { OptionsDialog::SetFolderChooser({}); }

    // The program on a journal of one entry.
    void Start()
    {
        AddToJournal({ .subject = u"Lunch", .date = At(2006, 3, 24) });
        RunningProgramTest::Start();
    }

    // Runs `steps` on the modal dialog of that object name once it is open.
    void WithDialog(const char* name, std::function<void(QDialog&)> steps)
    {
        auto timer = std::make_unique<QTimer>();
        QTimer* watch = timer.get();
        watch->setInterval(10);
        QObject::connect(watch, &QTimer::timeout, [watch, name, steps] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->objectName() == QLatin1String(name)) {
                watch->stop();
                steps(*dialog);
            }
        });
        watch->start();
        pending.push_back(std::move(timer));
    }
    void OpenOptions() { main->SendMessage(WM_COMMAND, CMD_OPTIONS, 0); }
    static QTableWidget* Table(QDialog& dialog) { return dialog.findChild<QTableWidget*>("optionsList"); }
    static void Tap(QDialog& dialog, int row)
    {
        QTableWidget* table = Table(dialog);
        emit table->cellClicked(row, 1);
    }
    static void ChooseItem(QDialog& dialog, int row, int index)
    {
        auto* choice = qobject_cast<QComboBox*>(Table(dialog)->cellWidget(row, 1));
        ASSERT_NE(choice, nullptr);
        choice->setCurrentIndex(index);
    }
    static void PressOk(QDialog& dialog)
    {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }
    QString DateCell()
    {
        QTableView* view = main->List().View();
        return view->model()->index(0, 0).data().toString();
    }

    std::vector<std::unique_ptr<QTimer>> pending;
};

} // namespace

TEST_F(OptionsDialogTest, ListRowsAreWrittenAtOkAndTakeEffectInTheMainWindow)
{
    Start();
    EXPECT_TRUE(main->Action(CMD_OPTIONS)->isEnabled());
    EXPECT_EQ(DateCell(), QStringLiteral("03/24/06"));
    QString shownValue;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        QTableWidget* table = Table(dialog);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->rowCount(), OptionsDialog::kRowCount);
        EXPECT_EQ(table->item(OptionsDialog::kConfirmDeletesRow, 1)->text(), QStringLiteral("Yes"));
        EXPECT_EQ(table->item(OptionsDialog::kPasswordRow, 1)->text(), QStringLiteral("<Disabled>"));
        EXPECT_EQ(table->item(OptionsDialog::kSkinRow, 1)->text(), QStringLiteral("Plum Fairy"));
        // Nothing is written while the dialog is open.
        Tap(dialog, OptionsDialog::kDateFormatRow);
        ChooseItem(dialog, OptionsDialog::kDateFormatRow, 3);
        Tap(dialog, OptionsDialog::kPreviewPaneRow);
        EXPECT_EQ(
            table->item(OptionsDialog::kDateFormatRow, 1)->text(), OptionsDialog::DateFormatChoices()[3]);
        ChooseItem(dialog, OptionsDialog::kPreviewPaneRow, 0);
        Tap(dialog, OptionsDialog::kConfirmDeletesRow);
        EXPECT_EQ(Settings(program->app).DateFormat(), Settings::kDefaultDateFormat);
        EXPECT_TRUE(Settings(program->app).PreviewPane());
        // OK takes the value of the list still open.
        ChooseItem(dialog, OptionsDialog::kConfirmDeletesRow, 0);
        shownValue = table->item(OptionsDialog::kPreviewPaneRow, 1)->text();
        PressOk(dialog);
    });
    OpenOptions();
    EXPECT_EQ(shownValue, QStringLiteral("No"));
    const Settings settings(program->app);
    EXPECT_EQ(settings.DateFormat(), 40163);
    EXPECT_FALSE(settings.PreviewPane());
    EXPECT_FALSE(settings.ConfirmDeletes());
    EXPECT_FALSE(main->PreviewPaneOn());
    EXPECT_FALSE(main->PreviewPane()->isVisible());
    EXPECT_EQ(DateCell(), QStringLiteral("24.03.06"));
}

TEST_F(OptionsDialogTest, SkinChooserAppliesAtOnceAndACancelledOneStillCountsAsAChange)
{
    Start();
    // Cancelled: the options report a change, nothing is written for the skin.
    int cancelledResult = -1;
    {
        OptionsDialog options(program->app, program->skin, program->journal);
        WithDialog("optionsDialog", [&](QDialog& dialog) {
            WithDialog("skinDialog", [](QDialog& skin) {
                auto* list = skin.findChild<QListWidget*>("skinList");
                list->setCurrentRow(0);
                skin.reject();
            });
            Tap(dialog, OptionsDialog::kSkinRow);
            PressOk(dialog);
        });
        cancelledResult = options.Run(main->GetHandle());
    }
    EXPECT_EQ(cancelledResult, 1);
    EXPECT_FALSE(program->app.ValueExists(u"Options", u"Skin"));

    // Chosen: the main window wears it before the options close.
    Qt::BrushStyle styleWhileOpen = Qt::SolidPattern;
    QString rowText;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        WithDialog("skinDialog", [](QDialog& skin) {
            auto* list = skin.findChild<QListWidget*>("skinList");
            list->setCurrentItem(
                list->findItems(QString::fromUtf16(kStandardSkinName), Qt::MatchExactly).first());
            skin.accept();
        });
        Tap(dialog, OptionsDialog::kSkinRow);
        styleWhileOpen = main->GetHandle()->palette().window().style();
        rowText = Table(dialog)->item(OptionsDialog::kSkinRow, 1)->text();
        PressOk(dialog);
    });
    EXPECT_EQ(main->GetHandle()->palette().window().style(), Qt::TexturePattern);
    OpenOptions();
    EXPECT_EQ(Settings(program->app).Skin().ToQString(), QString::fromUtf16(kStandardSkinName));
    EXPECT_EQ(rowText, QString::fromUtf16(kStandardSkinName));
    EXPECT_NE(styleWhileOpen, Qt::TexturePattern);
    EXPECT_FALSE(program->skin.changed);
}

TEST_F(OptionsDialogTest, FolderRowsShowAndChangeTheAddressBookFolders)
{
    Start();
    const std::filesystem::path chosen = home.file("synced-contacts");
    std::filesystem::create_directories(chosen);
    OptionsDialog::SetFolderChooser([&](QWidget*, const QString& title, const QString& current) {
        EXPECT_EQ(title, QStringLiteral("Address Book"));
        EXPECT_EQ(current, QString::fromStdString((home.path() / "contacts").string()));
        return QString::fromStdString(chosen.string());
    });
    OptionsDialog options(program->app, program->skin, program->journal);
    QString calendarShown;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        calendarShown = Table(dialog)->item(OptionsDialog::kCalendarFolderRow, 1)->text();
        Tap(dialog, OptionsDialog::kContactsFolderRow);
        PressOk(dialog);
    });
    EXPECT_EQ(options.Run(main->GetHandle()), 1);
    EXPECT_EQ(calendarShown, QString::fromStdString((home.path() / "calendar").string()));
    EXPECT_EQ(ReadPimFolders().contacts, chosen);
    // Stored under the name the address book reads.
    ZString stored;
    program->app.ReadZString(u"Options", u"ContactsFolder", u"", stored);
    EXPECT_EQ(stored.ToQString(), QString::fromStdString(chosen.string()));
    EXPECT_EQ(options.ValueText(OptionsDialog::kContactsFolderRow), QString::fromStdString(chosen.string()));
    EXPECT_EQ(ReadPimFolders().tasks, (home.path() / "tasks"));

    // A long path is kept whole (settings texts elsewhere stop at 155 characters).
    const std::filesystem::path deep = home.file(std::string(200, 'd'));
    ASSERT_TRUE(WritePimFolder(PimFolderKind::Calendar, deep));
    EXPECT_EQ(ReadPimFolders().calendar, deep);
    ASSERT_TRUE(WritePimFolder(PimFolderKind::Calendar, {}));
    EXPECT_EQ(ReadPimFolders().calendar, (home.path() / "calendar"));
}

TEST_F(OptionsDialogTest, CategoriesRowOpensTheListEditorAlone)
{
    Start();
    OptionsDialog options(program->app, program->skin, program->journal);
    bool editorAlone = false;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        WithDialog("categoryPicker", [&](QDialog& picker) {
            editorAlone = picker.findChild<QWidget*>("categoryEditor") != nullptr
                && picker.findChild<QWidget*>("categoryTabs") == nullptr
                && picker.findChild<QWidget*>("categoryList") == nullptr;
            picker.accept();
        });
        Tap(dialog, OptionsDialog::kCategoriesRow);
        PressOk(dialog);
    });
    EXPECT_EQ(options.Run(main->GetHandle()), 1);
    EXPECT_TRUE(editorAlone);
}

TEST_F(OptionsDialogTest, SubjectsRowOpensTheQuickSubjectsEditor)
{
    Start();
    OptionsDialog options(program->app, program->skin, program->journal);
    bool subjectsShown = false;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        auto watch = std::make_unique<QTimer>();
        QTimer* timer = watch.get();
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, &subjectsShown] {
            auto* subjects = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (subjects && subjects->findChild<QWidget*>("subjectButtons")) {
                timer->stop();
                subjectsShown = true;
                subjects->reject();
            }
        });
        timer->start();
        pending.push_back(std::move(watch));
        Tap(dialog, OptionsDialog::kSubjectsRow);
        PressOk(dialog);
    });
    EXPECT_EQ(options.Run(main->GetHandle()), 1);
    EXPECT_TRUE(subjectsShown);
}

TEST_F(OptionsDialogTest, PasswordRowSetsAndClearsThePassword)
{
    Start();
    QStringList digits { "4711", "4711", "4711" };
    PasswordLock::SetKeypad([&](QWidget*, int) { return digits.isEmpty() ? QString() : digits.takeFirst(); });
    OptionsDialog options(program->app, program->skin, program->journal);
    QStringList shown;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        Tap(dialog, OptionsDialog::kPasswordRow); // new password, twice
        shown << Table(dialog)->item(OptionsDialog::kPasswordRow, 1)->text();
        hooks.QueueAnswer(IDYES); // "Clear Password?"
        Tap(dialog, OptionsDialog::kPasswordRow); // asked once, then cleared
        shown << Table(dialog)->item(OptionsDialog::kPasswordRow, 1)->text();
        PressOk(dialog);
    });
    EXPECT_EQ(options.Run(main->GetHandle()), 1);
    PasswordLock::SetKeypad({});
    EXPECT_EQ(shown, (QStringList { "********", "<Disabled>" }));
    EXPECT_FALSE(Settings(program->app).PasswordActive());
    EXPECT_TRUE(digits.isEmpty());
}

TEST_F(OptionsDialogTest, PimItemsWaitForTheProgramToRunAndForOpenDialogsToClose)
{
    Start();
    const auto handled = [this] {
        int count = 0;
        for (const UiCall& call : hooks.Calls(UiCall::Kind::Trace))
            count += call.text == u"ZWMain::OnPimItem\n";
        return count;
    };
    HWND window = FindWindowW(kWindowClass, kWindowTitle);
    ASSERT_NE(window, nullptr);
    // Still starting (the password may be asked): the item is kept.
    ASSERT_TRUE(PostMessageW(window, KWM_PIMITEM, MAKEWPARAM(PIM_KIND_CONTACT, 1), 77));
    ASSERT_TRUE(PumpUntil([this] { return main->HeldPimItems() == 1; }));
    EXPECT_EQ(handled(), 0);
    main->SetRunning(true);
    EXPECT_TRUE(PumpUntil([&] { return handled() == 1; }));
    EXPECT_EQ(main->HeldPimItems(), 0);

    // Two items while the options are open: both wait, then each is handled once.
    int whileOpen = -1;
    WithDialog("optionsDialog", [&](QDialog& dialog) {
        EXPECT_TRUE(PostMessageW(window, KWM_PIMITEM, MAKEWPARAM(PIM_KIND_APPOINTMENT, 1), 78));
        EXPECT_TRUE(PostMessageW(window, KWM_PIMITEM, MAKEWPARAM(PIM_KIND_TASK, 3), 79));
        EXPECT_TRUE(PumpUntil([this] { return main->HeldPimItems() == 2; }));
        PumpUntil([] { return false; }, 200);
        whileOpen = handled();
        PressOk(dialog);
    });
    OpenOptions();
    EXPECT_EQ(whileOpen, 1);
    EXPECT_TRUE(PumpUntil([&] { return handled() == 3; }));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(handled(), 3);
    main->SetRunning(false);
}

TEST_F(OptionsDialogTest, ClosedFromOutsideWhileAScreenOfTheOptionsIsOpen)
{
    Start();
    main->SetRunning(true);
    HWND window = FindWindowW(kWindowClass, kWindowTitle);
    ASSERT_NE(window, nullptr);
    WithDialog("skinDialog", [&](QDialog&) {
        // What remote close does: the orderly close, from another process.
        EXPECT_TRUE(PostMessageW(window, KWM_CLOSE, 0, 0));
        PumpUntil([] { return !FindWindowW(kWindowClass, kWindowTitle); });
    });
    WithDialog("optionsDialog", [&](QDialog& dialog) { Tap(dialog, OptionsDialog::kSkinRow); });
    OpenOptions();
    PumpAll();
    EXPECT_FALSE(main->IsWindow());
    EXPECT_EQ(FindWindowW(kWindowClass, kWindowTitle), nullptr);
    EXPECT_EQ(program->journal.GetHandle(), nullptr);
    main->SetRunning(false);
}

TEST_F(OptionsDialogTest, PimItemsAreReadFromTheAddressBookIntoTheEditorsBlock)
{
    std::filesystem::create_directories(home.file("contacts"));
    std::filesystem::create_directories(home.file("calendar"));
    std::ofstream(home.file("contacts") / "ann.vcf")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
           "ORG:Harbour Works\r\nEND:VCARD\r\n";
    std::ofstream(home.file("calendar") / "review.ics")
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:ev-1\r\n"
           "SUMMARY:Budget review\r\nDTSTART:20260312T143000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    Start();
    std::vector<PimDataBlock> opened;
    ZWMain::SetPimEditor([&](QWidget*, const PimDataBlock& block) {
        opened.push_back(block);
        return 0;
    });
    PimIdMap ids;
    std::vector<DWORD> contact;
    std::vector<DWORD> event;
    ASSERT_TRUE(ids.Assign(PimIdMap::kContact, { u"ann-1" }, contact));
    ASSERT_TRUE(ids.Assign(PimIdMap::kEvent, { u"ev-1" }, event));

    main->SetRunning(true);
    main->SendMessage(KWM_PIMITEM, MAKEWPARAM(PIM_KIND_CONTACT, 2), contact[0]);
    main->SendMessage(KWM_PIMITEM, MAKEWPARAM(PIM_KIND_APPOINTMENT, 1), event[0]);
    // Gone, or of another kind: the message, and no editor.
    main->SendMessage(KWM_PIMITEM, MAKEWPARAM(PIM_KIND_APPOINTMENT, 1), event[0] + 1000);
    main->SendMessage(KWM_PIMITEM, MAKEWPARAM(PIM_KIND_TASK, 1), event[0]);
    main->SetRunning(false);
    ZWMain::SetPimEditor({});

    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].kind, 0);
    EXPECT_EQ(opened[0].entryType, 0);
    EXPECT_EQ(opened[0].itemOid, contact[0]);
    EXPECT_EQ(opened[0].contactName, u"Lee, Ann");
    EXPECT_EQ(opened[0].company, u"Harbour Works");
    EXPECT_EQ(opened[0].date, 0u);
    EXPECT_EQ(opened[0].tag, u"PIMDATA");
    EXPECT_EQ(opened[1].kind, 1);
    EXPECT_EQ(opened[1].entryType, 5);
    EXPECT_EQ(opened[1].subject, u"Budget review");
    EXPECT_TRUE(opened[1].contactName.empty());
    EXPECT_EQ(opened[1].date, At(2026, 3, 12, 14, 30));
    std::vector<std::u16string> boxes;
    for (const UiCall& call : hooks.Calls(UiCall::Kind::MessageBox))
        boxes.push_back(call.text);
    EXPECT_EQ(boxes,
        (std::vector<std::u16string> {
            u"Can't create Kestrin entry for Appointment.", u"Can't create Kestrin entry for Task." }));
}

TEST_F(OptionsDialogTest, ContactItemOpensTheEditorPreFilledAndOkAddsTheEntryLinkedAndSelected)
{
    std::filesystem::create_directories(home.file("contacts"));
    std::ofstream(home.file("contacts") / "ann.vcf")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
           "ORG:Harbour Works\r\nEND:VCARD\r\n";
    Start();
    PimIdMap ids;
    std::vector<DWORD> contact;
    ASSERT_TRUE(ids.Assign(PimIdMap::kContact, { u"ann-1" }, contact));

    // No editor hook installed: the program's own entry editor opens.
    QString title;
    WithDialog("entryEditor", [&](QDialog& dialog) {
        title = dialog.windowTitle();
        dialog.findChild<QAction*>(QStringLiteral("buttonOk"))->trigger();
    });
    main->SetRunning(true);
    main->SendMessage(KWM_PIMITEM, MAKEWPARAM(PIM_KIND_CONTACT, 2), contact[0]);
    main->SetRunning(false);

    EXPECT_TRUE(title.endsWith(QLatin1Char('*'))) << title.toStdString();
    DbKestrin& journal = program->journal;
    ASSERT_EQ(journal.GetRecCount(KIND_ENTRY), 2u);
    const CEOID added = program->selection.Focused();
    ZJITEMS set;
    journal.Read(added, &set, FALSE);
    EXPECT_EQ(Text(set.GetItem(PROPID_COMPANY)->GetStrValue()), u"Harbour Works");
    std::vector<DbAItem> linked;
    ASSERT_TRUE(UnpackContacts(*set.GetItem(PROPID_CONTACTS)->GetBlob(), linked));
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0].GetOid(), contact[0]);
    EXPECT_EQ(linked[0].GetName().ToQString(), QStringLiteral("Lee, Ann"));
    // The list shows the new entry selected.
    PumpAll();
    CEOID selected = 0;
    EXPECT_GE(main->List().GetSelItem(&selected), 0);
    EXPECT_EQ(selected, added);
}

// Pictures of both dialogs at a handheld's and a desktop's size, written
// when KST_SCREENSHOTS names a folder (for looking at them; nothing is
// compared).
TEST_F(OptionsDialogTest, Screenshots)
{
    const char* folder = std::getenv("KST_SCREENSHOTS");
    if (!folder)
        GTEST_SKIP() << "KST_SCREENSHOTS not set";
    Start();
    for (const QSize size : { QSize(240, 320), QSize(1024, 768) }) {
        main->MainWindow()->resize(size);
        PumpAll();
        const QString suffix = QStringLiteral("-%1x%2.png").arg(size.width()).arg(size.height());
        WithDialog("optionsDialog", [&](QDialog& dialog) {
            WithDialog("maintenanceDialog", [&](QDialog& maintenance) {
                PumpAll();
                maintenance.grab().save(QString::fromLatin1(folder) + "/maintenance" + suffix);
                maintenance.accept();
            });
            Tap(dialog, OptionsDialog::kDateFormatRow);
            PumpAll();
            dialog.grab().save(QString::fromLatin1(folder) + "/options" + suffix);
            Tap(dialog, OptionsDialog::kMaintenanceRow);
            PressOk(dialog);
        });
        OpenOptions();
    }
}
