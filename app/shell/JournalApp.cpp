#include "JournalApp.h"

#include "CheckLeftovers.h"
#include "ObjectStore.h"
#include "PasswordLock.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "WindowLink.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// Screens up to this width are handheld-sized: the window fills them.
constexpr int kHandheldWidth = 480;
constexpr QSize kDesktopWindow(480, 640);

} // namespace

namespace {

constexpr int kFailure = 1;

constexpr WCHAR kReadOnlyText[]
    = u"The journal is on a read-only folder or medium, or its disk is full: it is shown, but "
      u"nothing can be changed or added.";

} // namespace

JournalApp::JournalApp()
    : ZApp(kProfileKey, ReportOpenFailureItself {})
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

bool JournalApp::Fail(int exitCode)
{
    WaitCursor(false);
    exitCode_ = exitCode;
    return false;
}

void JournalApp::SayWhenReadOnly()
{
    if (ObjectStore::IsReadOnly())
        MessageBoxW(main_->GetHandle(), kReadOnlyText, kWindowTitle, MB_OK | MB_ICONINFORMATION);
}

bool JournalApp::InitInstance(int showCommand)
{
    ZApp::InitInstance(showCommand);
    WaitCursor(true);
    // A second start only brings the running copy to the front.
    if (HWND running = FindWindowW(kWindowClass, kWindowTitle)) {
        SetForegroundWindow(running);
        return Fail(0);
    }
    // Fails closed: settings that cannot be read may hide a password lock.
    if (!PasswordLock(nullptr, *this).SettingsReadable()) {
        MessageBoxW(nullptr, PasswordLock::UnreadableSettingsText(OpenError()), kWindowTitle,
            MB_ICONHAND | MB_SETFOREGROUND);
        return Fail(kFailure);
    }
    if (!InitControls(0))
        return Fail(kFailure);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(0, 0, 240, 320);
    main_ = std::make_unique<ZWMain>();
    if (!main_->CreateMain(InitialGeometry(workArea)))
        return Fail(kFailure);
    WaitCursor(false);
    RemoveInterruptedCheckFiles();

    PasswordLock lock(main_->GetHandle(), *this);
    if (!lock.RunGate())
        return Fail(kFailure);
    if (main_->QuitRequested())
        return false;
    SayWhenReadOnly();
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
