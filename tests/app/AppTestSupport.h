#pragma once
// What the program's tests share: the QApplication and event pump of the
// widget tests (GuiApp.h), a settings store on the test's own data folder,
// and a keypad that answers from a script instead of waiting for clicks.

#include "GuiApp.h"
#include "PasswordLock.h"
#include "ZApp.h"

#include <QString>
#include <QStringList>

#include <vector>

// The program's settings store, on the current KESTRIN_HOME.
class TestStore : public ZApp {
public:
    TestStore();
    int Run() override { return 0; }
};

// Installed while it lives: each keypad shown answers the next scripted
// digits (an empty answer once the script is used up) and the mode it was
// shown in is recorded.
class ScriptedKeypad {
public:
    explicit ScriptedKeypad(QStringList answers);
    ~ScriptedKeypad();
    ScriptedKeypad(const ScriptedKeypad&) = delete;
    ScriptedKeypad& operator=(const ScriptedKeypad&) = delete;

    std::vector<int> modes;

private:
    QStringList answers_;
};
