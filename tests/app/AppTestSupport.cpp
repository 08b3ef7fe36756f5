#include "AppTestSupport.h"

#include "ProgramText.h"

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
