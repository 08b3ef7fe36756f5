#include "RunningProgramTest.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdlib>

RunningProgramTest::RunningProgramTest()
{
    // The window's socket goes into the test's own data folder.
    unsetenv("XDG_RUNTIME_DIR");
    ZWMain::SetIntegrityCheck([](DbKestrin&) { return true; });
}

RunningProgramTest::~RunningProgramTest()
{
    Stop();
    // Closing the window asked the message loop to end, and Qt then ends
    // every loop started later (menus, dialogs) at once; a main loop that
    // runs and ends clears that for the next test.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    ZWMain::SetIntegrityCheck({});
}

void RunningProgramTest::Start(QSize size, const std::function<void(ZApp&)>& configure)
{
    program = std::make_unique<ProgramObjects>();
    if (configure)
        configure(program->app);
    ASSERT_TRUE(program->app.InitInstance(1));
    main = program->app.MainWindow();
    main->MainWindow()->resize(size);
    PumpAll();
    view = main->List().View();
}

void RunningProgramTest::Stop()
{
    if (program && main && main->IsWindow())
        main->SendMessage(WM_CLOSE);
    program.reset();
    main = nullptr;
    view = nullptr;
    PumpAll();
}

void RunningProgramTest::AddToJournal(const Entry& entry)
{
    DbKestrin journal;
    ASSERT_TRUE(journal.Open(nullptr));
    ASSERT_NE(AddEntry(journal, entry), 0u);
}
