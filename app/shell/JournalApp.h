#pragma once
// JournalApp: the program's application object. Its start-up (InitInstance)
// lets only one copy run per data folder (a second start brings the running
// window to the front and ends at once, asking nothing), creates the main
// window (which opens the journal), asks for the password when one is set
// and shows the window; Run is the message loop.
//
// The application object owns the main window. UI thread only.

#include "ZApp.h"
#include "ZWMain.h"

#include <memory>

class JournalApp : public ZApp {
public:
    JournalApp();
    ~JournalApp() override;

    // Start-up; false ends the program with ExitCode(): 0 when another copy
    // runs (it was brought to the front), 1 when the settings cannot be read
    // (the journal is then never opened: a password lock could not be
    // checked), the main window or the journal could not be opened, or the
    // password was not given.
    bool InitInstance(int showCommand) override;
    int ExitCode() const { return exitCode_; }
    // The message loop; returns the exit code of the quit that ended it.
    int Run() override;

    ZWMain* MainWindow() const { return main_.get(); }
    // The main window's first size: the work area of a handheld-sized
    // screen, else a portrait window that fits the work area.
    static QRect InitialGeometry(const QRect& workArea);

private:
    bool Fail(int exitCode);
    // Once per start: the journal can be shown but not changed.
    void SayWhenReadOnly();

    std::unique_ptr<ZWMain> main_;
    int exitCode_ = 0;
};
