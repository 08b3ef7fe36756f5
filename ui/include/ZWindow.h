#pragma once
// ZWindow: the base of every window, dialog and control wrapper of the
// program. A ZWindow is a thin object over one QWidget (its "window"): the
// operations pass straight to the widget, and what happens to the widget
// reaches the object as messages through one virtual WindowProc, the way each
// window class of the program handles its messages in one place:
//
//   Qt event / call                      message to WindowProc
//   resize                               WM_SIZE (lParam: width | height << 16)
//   activation / deactivation            WM_ACTIVATE (WA_ACTIVE / WA_INACTIVE)
//   the user closes the window           WM_CLOSE (the default destroys it)
//   Destroy()                            WM_DESTROY, while the widget still exists
//   a timer set through SetTimer         WM_TIMER (wParam: the timer id)
//   SendMessage / PostMessage            that message, now / from the event loop
//
// Ownership: a window made by Create() is owned by the object and deleted by
// Destroy() or the destructor. A widget given to Attach() (a dialog's item,
// a widget made elsewhere) stays owned by its Qt parent: the destructor only
// forgets it; an explicit Destroy() deletes it all the same. A widget deleted
// behind the object's back is noticed (the handle reads as null).
// The destructor sends no WM_DESTROY (the derived part of the object is gone
// by then): a class that handles WM_DESTROY calls Destroy() in its own
// destructor. Messages posted to an object that is destroyed before they arrive are
// dropped. UI thread only; not copyable.

#include "WinTypes.h"
#include "WindowMessages.h"
#include "ZString.h"

#include <QBrush>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>

class QEvent;
class QPainter;
class QTimer;

class ZWindow {
public:
    ZWindow();
    virtual ~ZWindow();
    ZWindow(const ZWindow&) = delete;
    ZWindow& operator=(const ZWindow&) = delete;

    // Makes the window through CreateWidget(parent), gives it the title,
    // geometry (an empty rectangle leaves the size to Qt) and object name,
    // and sends WM_CREATE; a WM_CREATE answer of -1 destroys it again.
    // Returns 1 when the window exists afterwards. A second Create while a
    // window is held returns 0 and changes nothing.
    virtual BOOL Create(
        const QString& title, const QRect& rect, QWidget* parent, const QString& objectName = {});
    // Sends WM_DESTROY, deletes the window if it still exists (later, from the
    // event loop, so a window may destroy itself from its own handler),
    // releases font and brush and forgets the handle. Returns 1 when there was
    // a window, else 0.
    virtual BOOL Destroy();
    // Takes `widget` when no window is held: 1; else 0 and the old one stays.
    virtual BOOL Attach(QWidget* widget);
    // Forgets the window without deleting it: 1, or 0 when there was none.
    virtual BOOL Detach();

    QWidget* GetHandle() const { return window_.data(); }
    // The handle in the form libraries take (see ZHandles.h).
    HWND GetHwnd() const;
    QWidget* GetParent() const;
    BOOL IsWindow() const { return !window_.isNull(); }
    BOOL IsVisible() const;
    BOOL IsEnabled() const;
    BOOL IsActive() const;
    BOOL HasFocus() const;

    // The frame in screen coordinates, and the client area (origin 0, 0).
    QRect GetWindowRect() const;
    QRect GetClientRect() const;
    // Moves and sizes the window (within its parent for a child).
    BOOL Move(int x, int y, int width, int height);
    BOOL Enable(BOOL enable);
    BOOL Show();
    BOOL Hide();
    void Invalidate(const QRect* rect = nullptr);
    void Update();
    // Raises the window and makes it the active one.
    BOOL SetForeground();
    void SetFocus();

    // The window's text: a control's own text (a label's, a button's...),
    // else the window's title.
    int GetTextLength() const;
    // Into a ZString: returns the length (-1 when empty, as ZString counts).
    int GetText(ZString& text) const;
    QString Text() const;
    BOOL SetText(const QString& text);
    BOOL SetText(LPCWSTR text);

    // Calls WindowProc now and returns its result.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message; WindowProc gets it from the event loop. Always 1.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Starts (or restarts) timer `id`, firing every `milliseconds`, and
    // returns how many timers the object holds. Timers live with the object.
    int SetTimer(UINT id, UINT milliseconds);
    // Stops timer `id`: 1, or 0 when there is no such timer.
    BOOL KillTimer(UINT id);
    BOOL HasTimer(UINT id) const;

    // The background: painted behind the window's contents (a pixmap brush
    // is tiled). A default brush means the style's own background.
    const QBrush& GetBrush() const { return brush_; }
    void SetBrush(const QBrush& brush);
    // Fills the client area with the brush; returns 1.
    virtual BOOL EraseBackground(QPainter& painter);

    void SetFont(const QFont& font);
    QFont GetFont() const;

    // A message box owned by this window (MB_* flags; returns IDOK, IDYES...),
    // through the UI hooks so tests can answer it.
    int MessageBox(LPCWSTR text, LPCWSTR caption, UINT flags);

    QPoint ScreenToClient(const QPoint& point) const;
    QRect ScreenToClient(const QRect& rect) const;
    QPoint ClientToScreen(const QPoint& point) const;
    QRect ClientToScreen(const QRect& rect) const;

protected:
    // Makes the widget for Create(). The default is a plain QWidget.
    virtual QWidget* CreateWidget(QWidget* parent);
    // Every message of the window; the default passes it to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What happens to a message nobody handled: WM_CLOSE destroys the window;
    // everything else answers 0.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Every Qt event of the window before the widget sees it; return true to
    // swallow it. The default turns the events above into messages.
    virtual bool OnEvent(QEvent* event);

private:
    class EventBridge;
    void Bind(QWidget* widget, bool owned);

    QPointer<QWidget> window_;
    bool owned_ = false;
    QBrush brush_;
    std::unique_ptr<EventBridge> bridge_;
    std::map<UINT, std::unique_ptr<QTimer>> timers_;
};
