#pragma once
// ZApp: the application object. It is the program's settings store (a
// ZRegistry on the profile key given at construction, open for the whole
// run) and adds what the whole program shares: the wait cursor with its
// depth, the instance start-up hooks and the message loop.
//
// The program derives its own class and supplies InitInstance (start-up;
// false ends the program) and Run (the message loop). The QApplication must
// exist before a ZApp is made and outlive it. UI thread only.

#include "ZRegistry.h"
#include "ZString.h"

class QWidget;

class ZApp : public ZRegistry {
public:
    // Opens `profileKey` under HKEY_CURRENT_USER (a failure is shown by the
    // settings store and the program carries on with defaults); wait depth 0.
    // Qt's own "quit when the last window closes" is switched off: the
    // program ends when its main window says so (PostQuitMessage).
    explicit ZApp(LPCWSTR profileKey);
    // As above, except that a failure to open the settings is not shown:
    // the program reports it itself (IsOpen, OpenError).
    struct ReportOpenFailureItself { };
    ZApp(LPCWSTR profileKey, ReportOpenFailureItself);
    // Takes the wait cursor away for every WaitCursor(on) not yet matched.
    ~ZApp() override;

    // Start-up. The base only remembers the show command and returns true.
    virtual bool InitInstance(int showCommand);
    // The base has no control classes to register: returns true.
    virtual bool InitControls(DWORD classes);
    // on: the depth goes up by one and the wait cursor shows. off: the depth
    // goes down by one and the cursor goes at once, whatever the depth.
    virtual void WaitCursor(bool on);
    // The message loop: returns the program's exit code.
    virtual int Run() = 0;

    int WaitDepth() const { return waitDepth_; }
    int ShowCommand() const { return showCommand_; }

    // The modeless dialog of the program, if any (0 when none). Qt delivers
    // its keys itself; the pointer only tells the program which it is.
    QWidget* ModelessDialog() const { return modeless_; }
    void SetModelessDialog(QWidget* dialog) { modeless_ = dialog; }

    // A text owned by the application object, for callers that need one to
    // outlive a call.
    ZString& Text() { return text_; }

    // Ends the message loop with `exitCode` once control returns to it; a
    // call before the loop runs ends it as soon as it starts.
    static void PostQuitMessage(int exitCode);
    // Runs the Qt event loop until PostQuitMessage; returns its exit code.
    static int RunEventLoop();

private:
    int waitDepth_ = 0;
    int showCommand_ = 0;
    QWidget* modeless_ = nullptr;
    ZString text_;
};
