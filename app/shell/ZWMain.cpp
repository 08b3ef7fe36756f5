#include "ZWMain.h"

#include "LastError.h"
#include "ProgramObjects.h"
#include "ProgramText.h"
#include "Settings.h"
#include "UiHooks.h"
#include "WindowLink.h"

#include <QApplication>
#include <QMainWindow>

namespace {

ZWMain::IntegrityCheck& InstalledCheck()
{
    static ZWMain::IntegrityCheck check;
    return check;
}

// The journal's own integrity check, silent (no question, no progress, no
// status). True when it ran to its end.
bool RunJournalCleanup(DbKestrin& journal)
{
    ZString error;
    journal.Cleanup(TRUE, nullptr, nullptr, &error);
    return error.IsEmpty();
}

} // namespace

ZWMain::ZWMain() = default;

ZWMain::~ZWMain()
{
    // The socket goes first: no message may arrive for a window being torn down.
    listener_.reset();
}

void ZWMain::SetIntegrityCheck(IntegrityCheck check)
{
    InstalledCheck() = std::move(check);
}

QWidget* ZWMain::CreateWidget(QWidget* parent)
{
    auto* window = new QMainWindow(parent);
    window->setProperty("windowClass", QString::fromUtf16(kWindowClass));
    client_ = new QWidget(window);
    client_->setObjectName(QStringLiteral("clientArea"));
    window->setCentralWidget(client_);
    return window;
}

QMainWindow* ZWMain::MainWindow() const
{
    return qobject_cast<QMainWindow*>(GetHandle());
}

bool ZWMain::CreateMain(const QRect& rect)
{
    return Create(QString::fromUtf16(kWindowTitle), rect, nullptr, QStringLiteral("mainWindow"));
}

LRESULT ZWMain::OnCreate()
{
    // The socket is claimed first: if another copy won a race to start, this
    // one stops before it opens anything.
    listener_ = std::make_unique<WindowListener>([this](const IpcFrame& frame) { OnFrame(frame); });
    if (!listener_->Listen(kWindowClass, kWindowTitle)) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            SetForegroundWindow(FindWindowW(kWindowClass, kWindowTitle));
            return -1;
        }
        // No socket (no usable folder): the program runs, unreachable from outside.
        OutputDebugStringW(u"ZWMain::OnCreate - no window socket\n");
    }

    Settings settings(TheApp());
    TheSkin().Load(settings.Skin());
    ApplySkin();
    DbKestrin& journal = TheJournal();
    journal.GetFilter().LoadFilter(TheApp(), kOptionsSection);
    if (!journal.Open(AsNotifyWindow(this))) {
        ShowAppError(40059);
        return -1;
    }
    if (settings.Upgrade()) {
        TheApp().WaitCursor(true);
        const bool checked = InstalledCheck() ? InstalledCheck()(journal) : RunJournalCleanup(journal);
        // A check that could not finish left the journal as it was; it is
        // tried again at the next start rather than forgotten.
        if (checked)
            settings.SetUpgrade(false);
        else
            OutputDebugStringW(u"ZWMain::OnCreate - integrity check did not finish\n");
        TheApp().WaitCursor(false);
    }
    return 0;
}

void ZWMain::ApplySkin()
{
    SetBrush(TheSkin().brush);
}

void ZWMain::RequestRefresh()
{
    refreshPending_ = true;
    PostMessage(WM_COMMAND, MAKEWPARAM(KCMD_REFRESH_ID, KCMD_REFRESH), 0);
}

void ZWMain::OnRefresh()
{
}

void ZWMain::OnPimItem(int kind, int count, DWORD)
{
    (void)kind;
    (void)count;
    OutputDebugStringW(u"ZWMain::OnPimItem\n");
}

void ZWMain::BringToFront()
{
    OutputDebugStringW(u"ZWMain::BringToFront\n");
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    } else if (IsVisible()) {
        SetForeground();
    }
}

void ZWMain::OnDbNotify(UINT, CEOID)
{
    RequestRefresh();
}

void ZWMain::OnClose()
{
    TheJournal().Close();
    TheSelection().Clear();
    Destroy();
}

void ZWMain::OnFrame(const IpcFrame& frame)
{
    switch (frame.message) {
    case WM_ACTIVATE:
        BringToFront();
        return;
    case WM_QUIT:
        // Ends the loop at once: the close steps do not run.
        if (running_)
            QCoreApplication::exit(static_cast<int>(frame.wParam));
        else
            quitRequested_ = true;
        return;
    case KWM_CLOSE:
        if (running_)
            SendMessage(KWM_CLOSE);
        else
            quitRequested_ = true;
        return;
    default:
        if (running_)
            SendMessage(frame.message, frame.wParam, static_cast<LPARAM>(frame.lParam));
        return;
    }
}

LRESULT ZWMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_CLOSE:
    case KWM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        listener_.reset();
        ZApp::PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        OutputDebugStringW(u"ZWMain::OnSize\n");
        return 0;
    case WM_ACTIVATE:
        OutputDebugStringW(u"ZWMain::OnActivate\n");
        return 0;
    case KWM_CURSOR:
        if (wParam == 1) {
            TheApp().WaitCursor(true);
        } else if (wParam == 2) {
            TheApp().WaitCursor(false);
            RequestRefresh();
        }
        return 1;
    case KWM_PIMITEM:
        if (LOWORD(wParam) <= 2)
            OnPimItem(LOWORD(wParam), HIWORD(wParam), static_cast<DWORD>(lParam));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == KCMD_REFRESH && LOWORD(wParam) == KCMD_REFRESH_ID) {
            if (refreshPending_) {
                OnRefresh();
                refreshPending_ = false;
            }
            return 0;
        }
        return 0;
    default:
        return ZWindow::WindowProc(message, wParam, lParam);
    }
}
