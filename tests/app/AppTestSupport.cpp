#include "AppTestSupport.h"

#include "ProgramText.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

QApplication& GuiApp()
{
    return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

// The widget tests' own entry: the QApplication lives on main's stack, so it
// is gone before the toolkit's own statics are torn down at exit.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
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
