// The program's life: start-up with its one-time integrity check and its
// password gate, the private messages of the main window, the two ways the
// message loop ends, and one running copy per data folder (two processes).
#include "AppTestSupport.h"
#include "DbCats.h"
#include "JournalEntries.h"
#include "JournalTools.h"
#include "PasswordLock.h"
#include "ProgramObjects.h"
#include "Settings.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "WindowLink.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GuiApp();
        // The window's socket goes into the test's own data folder.
        unsetenv("XDG_RUNTIME_DIR");
        ZWMain::SetIntegrityCheck([this](DbKestrin&) {
            ++checks;
            return checkFinishes;
        });
    }
    void TearDown() override { ZWMain::SetIntegrityCheck({}); }

    void SetPassword(const QString& digits)
    {
        TestStore store;
        ScriptedKeypad keypad({ digits, digits });
        ASSERT_TRUE(PasswordLock(nullptr, store).SetNew());
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks installed { hooks };
    int checks = 0;
    bool checkFinishes = true;
};

} // namespace

TEST_F(StartupTest, IntegrityCheckRunsOnceAfterInstallation)
{
    {
        ProgramObjects program;
        ASSERT_TRUE(program.app.InitInstance(1));
        EXPECT_EQ(checks, 1);
        EXPECT_FALSE(Settings(program.app).Upgrade());
        ZWMain* main = program.app.MainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(main->IsVisible());
        EXPECT_EQ(main->GetHandle()->windowTitle(), "Ozm Kestrin");
        EXPECT_EQ(main->GetHandle()->property("windowClass").toString(), "KSCLASS");
        EXPECT_EQ(main->GetHandle()->objectName(), "mainWindow");
        // The default skin dresses the window.
        EXPECT_EQ(main->GetBrush().style(), Qt::TexturePattern);
        main->SendMessage(KWM_CLOSE);
        EXPECT_FALSE(main->IsWindow());
    }
    {
        ProgramObjects program;
        ASSERT_TRUE(program.app.InitInstance(1));
        program.app.MainWindow()->SendMessage(WM_CLOSE);
    }
    EXPECT_EQ(checks, 1);
    // The installer asks for it again by writing 1.
    {
        TestStore store;
        Settings(store).SetUpgrade(true);
    }
    {
        ProgramObjects program;
        ASSERT_TRUE(program.app.InitInstance(1));
        EXPECT_EQ(checks, 2);
        EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
        program.app.MainWindow()->SendMessage(WM_CLOSE);
    }
    // A check that could not finish is tried again at the next start.
    {
        TestStore store;
        Settings(store).SetUpgrade(true);
    }
    checkFinishes = false;
    {
        ProgramObjects program;
        ASSERT_TRUE(program.app.InitInstance(1));
        EXPECT_TRUE(Settings(program.app).Upgrade());
        program.app.MainWindow()->SendMessage(WM_CLOSE);
    }
    checkFinishes = true;
    ProgramObjects program;
    ASSERT_TRUE(program.app.InitInstance(1));
    EXPECT_EQ(checks, 4);
    EXPECT_FALSE(Settings(program.app).Upgrade());
}

TEST_F(StartupTest, TheJournalsOwnCheckRunsSilently)
{
    ZWMain::SetIntegrityCheck({});
    // A journal whose derived data went wrong: a lost relation record and a
    // counter far off. The check at the first start puts both right.
    CEOID entry = 0;
    {
        DbKestrin journal;
        ASSERT_EQ(journal.Open(nullptr), 1);
        entry = AddEntry(journal, { .subject = u"one", .date = At(2005, 1, 1), .categories = { u"Work" } });
        ASSERT_TRUE(journal.GetRelX().DeleteRecord(journal.GetRelX().Find(u"Work", KIND_CATEGORY)));
        DbCats categories;
        ASSERT_TRUE(categories.Open(nullptr));
        CEPROPVAL counter {};
        counter.propid = PROPID_CATCOUNT_JOURNAL;
        counter.val.iVal = 7;
        ASSERT_NE(categories.WriteProps(categories.FindCategory(u"Work"), 1, &counter), 0u);
        categories.Close();
    }
    ProgramObjects program;
    ASSERT_TRUE(program.app.InitInstance(1));
    EXPECT_FALSE(Settings(program.app).Upgrade());
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u); // no question asked
    ZOidsProp listed;
    ASSERT_TRUE(program.journal.GetRelX().GetOidList(u"Work", listed, KIND_CATEGORY)) << "the check did not run";
    EXPECT_EQ(std::vector<CEOID>(listed.begin(), listed.end()), std::vector<CEOID> { entry });
    int work = -1;
    for (const CategoryInfo& category : ListCategories())
        if (category.name == u"Work")
            work = category.journalCount;
    EXPECT_EQ(work, 1);
    // The safety copy is gone again.
    EXPECT_FALSE(std::filesystem::exists(home.file("kssave-bkup.ksk")));
    program.app.MainWindow()->SendMessage(WM_CLOSE);
}

TEST_F(StartupTest, ThreeWrongPasswordsEndTheProgram)
{
    SetPassword("1357");
    hooks.Clear();
    ScriptedKeypad keypad({ "1", "13", "135", "1357" });
    ProgramObjects program;
    EXPECT_FALSE(program.app.InitInstance(1));
    EXPECT_EQ(program.app.ExitCode(), 1);
    EXPECT_EQ(keypad.modes.size(), 3u);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 3u);
    EXPECT_FALSE(program.app.MainWindow()->IsVisible()); // never shown
}

TEST_F(StartupTest, RightPasswordOnTheThirdAttemptRuns)
{
    SetPassword("0246");
    hooks.Clear();
    ScriptedKeypad keypad({ "246", "2460", "0246" });
    ProgramObjects program;
    ASSERT_TRUE(program.app.InitInstance(1));
    EXPECT_TRUE(program.app.MainWindow()->IsVisible());
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 2u);
}

TEST_F(StartupTest, JournalThatCannotOpenStopsTheStart)
{
    // A folder where the object store's file belongs cannot be opened as one.
    QDir(QString::fromStdString(home.path().string())).mkdir("objects.db");
    ProgramObjects program;
    EXPECT_FALSE(program.app.InitInstance(1));
    EXPECT_EQ(program.app.ExitCode(), 1);
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, u"An error occurred while opening the Ozm Kestrin database.");
    EXPECT_EQ(boxes.back().caption, u"Ozm Kestrin");
    EXPECT_EQ(boxes.back().flags, static_cast<UINT>(MB_ICONHAND | MB_SETFOREGROUND));
    EXPECT_FALSE(program.app.MainWindow() && program.app.MainWindow()->IsWindow());
    // The window never listened: nothing answers for it.
    EXPECT_EQ(FindWindowW(u"KSCLASS", u"Ozm Kestrin"), nullptr);
    EXPECT_EQ(checks, 0);
}

TEST_F(StartupTest, PrivateMessagesAndTheCloseMessage)
{
    ProgramObjects program;
    ASSERT_TRUE(program.app.InitInstance(1));
    ZWMain* main = program.app.MainWindow();
    hooks.Clear();

    EXPECT_EQ(main->SendMessage(KWM_CURSOR, 1), 1);
    EXPECT_EQ(program.app.WaitDepth(), 1);
    EXPECT_FALSE(main->RefreshPending());
    EXPECT_EQ(main->SendMessage(KWM_CURSOR, 2), 1);
    EXPECT_EQ(program.app.WaitDepth(), 0);
    EXPECT_TRUE(main->RefreshPending()); // asked for, done from the loop
    ASSERT_TRUE(PumpUntil([&] { return !main->RefreshPending(); }));
    const auto cursor = hooks.Calls(UiCall::Kind::WaitCursor);
    ASSERT_EQ(cursor.size(), 2u);
    EXPECT_TRUE(cursor[0].on);
    EXPECT_FALSE(cursor[1].on);

    // Messages from another process reach the running window.
    main->SetRunning(true);
    HWND window = FindWindowW(u"KSCLASS", u"Ozm Kestrin");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageW(window, KWM_CURSOR, 1, 0));
    ASSERT_TRUE(PumpUntil([&] { return program.app.WaitDepth() == 1; }));
    program.app.WaitCursor(false);

    // 1023 closes the journal and the window, and asks the loop to end.
    program.selection.Add(42);
    ASSERT_TRUE(PostMessageW(window, KWM_CLOSE, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return !main->IsWindow(); }));
    EXPECT_EQ(program.selection.Count(), 0);
    EXPECT_EQ(FindWindowW(u"KSCLASS", u"Ozm Kestrin"), nullptr);
}

TEST_F(StartupTest, PostedQuitEndsTheLoopWithoutClosing)
{
    ProgramObjects program;
    ASSERT_TRUE(program.app.InitInstance(1));
    program.selection.Add(7);
    QTimer::singleShot(0, [] { PostMessageW(FindWindowW(u"KSCLASS", u"Ozm Kestrin"), WM_QUIT, 3, 0); });
    EXPECT_EQ(program.app.Run(), 3);
    // The close steps did not run.
    EXPECT_TRUE(program.app.MainWindow()->IsWindow());
    EXPECT_EQ(program.selection.Count(), 1);
}

namespace {

// Starts the program on the test's data folder, with trace lines on.
std::unique_ptr<QProcess> StartProgram(const TempHome& home)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTRIN_HOME", QString::fromStdString(home.path().string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("KESTRIN_TRACE", "1");
    environment.remove("XDG_RUNTIME_DIR");
    process->setProcessEnvironment(environment);
    process->start(KESTRIN_EXE, {});
    return process;
}

} // namespace

TEST_F(StartupTest, SecondStartOnlyRaisesTheFirst)
{
    auto first = StartProgram(home);
    ASSERT_TRUE(first->waitForStarted(5000));
    ASSERT_TRUE(PumpUntil([] { return FindWindowW(u"KSCLASS", u"Ozm Kestrin") != nullptr; }, 15000));

    auto second = StartProgram(home);
    ASSERT_TRUE(second->waitForFinished(10000)) << "the second copy kept running";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    QByteArray trace;
    ASSERT_TRUE(PumpUntil(
        [&] {
            first->waitForReadyRead(50);
            trace += first->readAllStandardError();
            return trace.contains("ZWMain::BringToFront");
        },
        5000))
        << trace.toStdString();

    // The first one still runs, and closes when asked.
    EXPECT_EQ(first->state(), QProcess::Running);
    ASSERT_TRUE(PostMessageW(FindWindowW(u"KSCLASS", u"Ozm Kestrin"), KWM_CLOSE, 0, 0));
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(FindWindowW(u"KSCLASS", u"Ozm Kestrin"), nullptr);
}

TEST_F(StartupTest, SecondStartAsksNoPasswordWhileTheFirstDoes)
{
    SetPassword("99");
    // The first copy waits at its keypad (nobody answers it).
    auto first = StartProgram(home);
    ASSERT_TRUE(first->waitForStarted(5000));
    ASSERT_TRUE(PumpUntil([] { return FindWindowW(u"KSCLASS", u"Ozm Kestrin") != nullptr; }, 15000));

    // A second copy that asked too would wait at its own keypad for ever.
    auto second = StartProgram(home);
    EXPECT_TRUE(second->waitForFinished(10000)) << "the second copy asked for the password";
    EXPECT_EQ(second->exitCode(), 0);
    first->kill();
    first->waitForFinished(5000);
    if (second->state() != QProcess::NotRunning) {
        second->kill();
        second->waitForFinished(5000);
    }
}
