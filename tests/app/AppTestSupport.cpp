#include "AppTestSupport.h"

#include "ProgramText.h"

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

TestStore::TestStore()
    : ZApp(kProfileKey)
{
}

ScriptedKeypad::ScriptedKeypad(QStringList answers)
    : answers_(std::move(answers))
{
    PasswordLock::SetKeypad([this](QWidget*, int mode) {
        modes.push_back(mode);
        return answers_.isEmpty() ? QString() : answers_.takeFirst();
    });
}

ScriptedKeypad::~ScriptedKeypad()
{
    PasswordLock::SetKeypad({});
}
