#include "FakeProgram.h"

#include "WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <thread>

namespace {

const WCHAR kClass[] = u"KSCLASS";
const WCHAR kTitle[] = u"Ozm Kestrin";

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = { name, nullptr };
    static QCoreApplication application(argc, argv);
}

} // namespace

FakeProgram::FakeProgram(bool closes)
    : listener_([this](const IpcFrame& frame) {
        frames.push_back(frame);
        if (frame.message == KWM_CLOSE && closes_)
            listener_.Close();
    })
    , closes_(closes)
{
    EnsureApplication();
    listener_.Listen(kClass, kTitle);
}

bool FakeProgram::Pump(const std::function<bool()>& done, int ms)
{
    EnsureApplication();
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void FakeProgram::WhilePumping(const std::function<void()>& work)
{
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        work();
        finished = true;
    });
    Pump([&] { return finished.load(); }, 60000);
    worker.join();
}
