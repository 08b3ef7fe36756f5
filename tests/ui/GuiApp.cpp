#include "GuiApp.h"

#include <QApplication>
#include <QElapsedTimer>

QApplication& GuiApp()
{
    static int argc = 1;
    static char name[] = "kestrin-test";
    static char* argv[] = { name, nullptr };
    static QApplication app(argc, argv);
    return app;
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void PumpAll()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
