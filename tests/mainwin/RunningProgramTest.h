#pragma once
// RunningProgramTest: the fixture of the tests that drive the whole program
// through its main window. Each test has a data folder of its own (`home`),
// message boxes and the other UI calls recorded (`hooks`), the window's
// socket in that folder and no start-up integrity check. Start() runs the
// program's objects; at the end the window is closed, what it posted is
// handled, and the message loop is made ready for the next test. The fixture
// owns all of it; UI thread only.

#include "GuiApp.h"
#include "JournalEntries.h"
#include "ProgramObjects.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZWMain.h"

#include <gtest/gtest.h>

#include <QSize>

#include <functional>
#include <memory>

class QTableView;

class RunningProgramTest : public ::testing::Test {
protected:
    RunningProgramTest();
    ~RunningProgramTest() override;

    // Starts the program in a window of `size`; `configure` may write its
    // settings first.
    void Start(QSize size = QSize(240, 320), const std::function<void(ZApp&)>& configure = {});
    // Closes the window and drops the program's objects.
    void Stop();
    // Writes `entry` through a journal handle of its own, as another writer
    // would (before the program starts, or behind its back).
    void AddToJournal(const Entry& entry);

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scopedHooks { hooks };
    std::unique_ptr<ProgramObjects> program;
    ZWMain* main = nullptr;
    QTableView* view = nullptr; // the main list's view once started
};
