#pragma once
// What the main window's tests share (besides the QApplication and the event
// pump of GuiApp.h): the program's settings store and an open journal in the test's own
// data folder, recorded message boxes, and a stand-in for the main window
// that keeps the commands posted to it.

#include "DbKestrin.h"
#include "GuiApp.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "SelectionList.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZApp.h"
#include "ZJITEMS.h"
#include "ZWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The program's settings store on the current KESTRIN_HOME.
class TestStore : public ZApp {
public:
    TestStore();
    int Run() override { return 0; }
};

// A window that keeps every WM_COMMAND it gets.
class CommandSink : public ZWindow {
public:
    struct Command {
        WORD id;
        WORD code;
        LPARAM lParam;
    };
    std::vector<Command> commands;
    // The commands with this id.
    std::vector<Command> With(WORD id) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class MainWinTest : public ::testing::Test {
protected:
    MainWinTest();
    ~MainWinTest() override;

    // Writes a new entry through the journal; returns its OID.
    CEOID Add(const Entry& entry) { return AddEntry(journal, entry); }
    // Writes `count` bare entries (date, subject "Entry <n>", type n % 11)
    // straight into the record database in one transaction, for journals too
    // large to build entry by entry. Entry n is dated n minutes after a
    // fixed day, so the list (newest first) shows entry count-1 first.
    void AddBare(int count);
    std::u16string SubjectOf(CEOID oid);
    int JournalCount() { return static_cast<int>(journal.GetRecCount(KIND_ENTRY)); }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scopedHooks { hooks };
    TestStore store;
    DbKestrin journal;
    SelectionList selection;
};
