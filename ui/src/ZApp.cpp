#include "ZApp.h"

#include "UiHooks.h"

#include <QApplication>
#include <QMetaObject>

ZApp::ZApp(LPCWSTR profileKey)
{
    Open(profileKey);
    QApplication::setQuitOnLastWindowClosed(false);
}

ZApp::ZApp(LPCWSTR profileKey, ReportOpenFailureItself)
{
    OpenWithoutReport(profileKey);
    QApplication::setQuitOnLastWindowClosed(false);
}

ZApp::~ZApp()
{
    // A depth below zero (more offs than ons) needs no undoing.
    while (waitDepth_ > 0)
        WaitCursor(false);
}

bool ZApp::InitInstance(int showCommand)
{
    showCommand_ = showCommand;
    return true;
}

bool ZApp::InitControls(DWORD)
{
    return true;
}

void ZApp::WaitCursor(bool on)
{
    waitDepth_ += on ? 1 : -1;
    SetWaitCursor(on);
}

void ZApp::PostQuitMessage(int exitCode)
{
    // Queued like the platform's quit message: whatever is already waiting
    // in the queue is handled first, and a quit posted before the loop runs
    // is seen as soon as it starts.
    QMetaObject::invokeMethod(
        qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

int ZApp::RunEventLoop()
{
    return QApplication::exec();
}
