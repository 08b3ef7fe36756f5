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

    // Start-up; false ends the program (exit code 0): another copy runs,
    // the main window could not be made, or the password was not given.
    bool InitInstance(int showCommand) override;
    // The message loop; returns the exit code of the quit that ended it.
    int Run() override;

    ZWMain* MainWindow() const { return main_.get(); }
    // The main window's first size: the work area of a handheld-sized
    // screen, else a portrait window that fits the work area.
    static QRect InitialGeometry(const QRect& workArea);

private:
    bool Fail();

    std::unique_ptr<ZWMain> main_;
};
