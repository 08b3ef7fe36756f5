#include "JournalApp.h"

#include "PasswordLock.h"
#include "ProgramText.h"
#include "WindowLink.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// Screens up to this width are handheld-sized: the window fills them.
constexpr int kHandheldWidth = 480;
constexpr QSize kDesktopWindow(480, 640);

} // namespace

JournalApp::JournalApp()
    : ZApp(kProfileKey)
{
}

JournalApp::~JournalApp()
{
    main_.reset();
}

QRect JournalApp::InitialGeometry(const QRect& workArea)
{
    if (workArea.width() <= kHandheldWidth)
        return workArea;
    const QSize size(std::min(kDesktopWindow.width(), workArea.width()),
        std::min(kDesktopWindow.height(), workArea.height()));
    return QRect(workArea.left() + (workArea.width() - size.width()) / 2,
        workArea.top() + (workArea.height() - size.height()) / 2, size.width(), size.height());
}

bool JournalApp::Fail()
{
    WaitCursor(false);
    return false;
}

bool JournalApp::InitInstance(int showCommand)
{
    ZApp::InitInstance(showCommand);
    WaitCursor(true);
    // A second start only brings the running copy to the front.
    if (HWND running = FindWindowW(kWindowClass, kWindowTitle)) {
        SetForegroundWindow(running);
        return Fail();
    }
    if (!InitControls(0))
        return Fail();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(0, 0, 240, 320);
    main_ = std::make_unique<ZWMain>();
    if (!main_->CreateMain(InitialGeometry(workArea)))
        return Fail();
    WaitCursor(false);

    PasswordLock lock(main_->GetHandle(), *this);
    if (!lock.RunGate() || main_->QuitRequested())
        return false;
    main_->Show();
    main_->SetForeground();
    main_->Update();
    return true;
}

int JournalApp::Run()
{
    if (main_)
        main_->SetRunning(true);
    const int exitCode = RunEventLoop();
    if (main_)
        main_->SetRunning(false);
    return exitCode;
}
