#pragma once
// ZWMain: the program's only top-level window (a QMainWindow of class
// "KSCLASS", titled "Ozm Kestrin"). This class owns the window's life: its
// creation opens what the program runs on (skin, saved filter, the journal,
// the one-time integrity check after an installation, repeated at the next
// start when it could not finish) and claims the
// window's socket, so other processes can find it and post it messages;
// closing it closes the journal and ends the program.
//
// Messages understood (besides those of ZWindow):
//   WM_CLOSE, 1023      close the journal, empty the selection, destroy the window
//   WM_DESTROY          end the message loop (exit code 0)
//   1125 (cursor)       wParam 1: wait cursor on; 2: off and request a refresh; returns 1
//   1126 (PIM item)     OnPimItem(kind, count, object id)
//   WM_COMMAND 1026|1126<<16   refresh, when one is pending
// From other processes (see WindowListener.h): WM_ACTIVATE brings the window
// to the front (or the dialog in front of it), WM_QUIT ends the message loop
// at once without the close steps, 1023, 1125 and 1126 as above. Until the
// program runs its message loop (the password is being asked), PIM items are
// ignored and a close or quit is remembered and ends the start-up.
//
// The client area is an empty widget painted with the skin's background;
// the list, tree, bars and commands are added on top of this class.
// Owned by the application object; UI thread only.

#include "DbNotifyTarget.h"
#include "WindowListener.h"
#include "ZWindow.h"

#include <functional>
#include <memory>

class QMainWindow;
class DbKestrin;

class ZWMain : public ZWindow, public DbNotifyTarget {
public:
    // The one-time integrity check run at start-up while "Upgrade" is set;
    // true when it finished ("Upgrade" is then cleared).
    using IntegrityCheck = std::function<bool(DbKestrin& journal)>;

    ZWMain();
    ~ZWMain() override;

    // Makes the window (hidden) at `rect`; its creation opens everything
    // (see above). False when anything failed (already reported); the
    // window is then gone.
    bool CreateMain(const QRect& rect);
    QMainWindow* MainWindow() const;
    QWidget* ClientArea() const { return client_; }

    // Replaces the integrity check (tests count it); an empty function puts
    // the journal's own check back.
    static void SetIntegrityCheck(IntegrityCheck check);

    // Puts the program's skin on the window's surfaces.
    void ApplySkin();
    // Asks for a rebuild of the views once control is back in the loop.
    void RequestRefresh();
    bool RefreshPending() const { return refreshPending_; }
    // The message loop runs: posted items are now handled.
    void SetRunning(bool running) { running_ = running; }
    // A close or quit arrived while the program was starting.
    bool QuitRequested() const { return quitRequested_; }
    // Raises the window, or the modal dialog in front of it.
    void BringToFront();

    // DbNotifyTarget: a change made through another handle of the journal.
    void OnDbNotify(UINT code, CEOID oid) override;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A contact (kind 0), appointment (1) or task (2) handed over by another
    // program; `count` items were chosen there and only the first is passed.
    // The base only traces it.
    virtual void OnPimItem(int kind, int count, DWORD objectId);
    // The views are rebuilt here; the base has none yet.
    virtual void OnRefresh();

private:
    LRESULT OnCreate();
    void OnClose();
    void OnFrame(const IpcFrame& frame);

    QWidget* client_ = nullptr;
    std::unique_ptr<WindowListener> listener_;
    bool refreshPending_ = false;
    bool running_ = false;
    bool quitRequested_ = false;
};
