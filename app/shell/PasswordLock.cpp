#include "PasswordLock.h"

#include "KeypadDialog.h"
#include "PasswordHash.h"
#include "ProgramText.h"
#include "Settings.h"
#include "UiHooks.h"
#include "ZHandles.h"

namespace {

PasswordLock::Keypad& InstalledKeypad()
{
    static PasswordLock::Keypad keypad;
    return keypad;
}

constexpr int kGateAttempts = 3;

const WCHAR kNoStoredPassword[] = u"A password was required, but no password is stored.\n"
                                  u"The password lock has been switched off.";

void ShowText(QWidget* owner, UINT stringId, UINT flags)
{
    ZString text;
    text.LoadString(stringId);
    MessageBoxW(ToHwnd(owner), text, kWindowTitle, flags);
}

} // namespace

PasswordLock::PasswordLock(QWidget* owner, ZRegistry& store)
    : owner_(owner)
    , store_(store)
{
}

void PasswordLock::SetKeypad(Keypad keypad)
{
    InstalledKeypad() = std::move(keypad);
}

QString PasswordLock::RunKeypad(int mode)
{
    if (InstalledKeypad())
        return InstalledKeypad()(owner_, mode);
    KeypadDialog keypad(mode);
    return keypad.Run(owner_);
}

BOOL PasswordLock::IsActive()
{
    Settings settings(store_);
    if (!settings.PasswordActive())
        return FALSE;
    if (!settings.PasswordRecord().IsEmpty())
        return TRUE;
    settings.SetPasswordActive(false);
    MessageBoxW(ToHwnd(owner_), kNoStoredPassword, kWindowTitle, MB_ICONEXCLAMATION);
    return FALSE;
}

BOOL PasswordLock::Ask()
{
    entered_ = RunKeypad(KeypadDialog::kEnter);
    Settings settings(store_);
    const QString record = settings.PasswordRecord().ToQString();
    if (!PasswordHash::Verify(record, entered_)) {
        ShowAppError(40050);
        return FALSE;
    }
    if (!PasswordHash::IsHashRecord(record)) {
        const QString hashed = PasswordHash::Make(entered_);
        if (!hashed.isEmpty())
            settings.SetPasswordRecord(ZString::FromQString(hashed));
    }
    return TRUE;
}

BOOL PasswordLock::SetNew()
{
    entered_ = RunKeypad(KeypadDialog::kNew);
    if (!entered_.isEmpty()) {
        reentered_ = RunKeypad(KeypadDialog::kReEnter);
        const QString record = entered_ == reentered_ ? PasswordHash::Make(entered_) : QString();
        Settings settings(store_);
        // The record first: a lock switched on must always find its password.
        if (!record.isEmpty() && settings.SetPasswordRecord(ZString::FromQString(record))) {
            settings.SetPasswordActive(true);
            ShowText(owner_, 40062, MB_ICONINFORMATION);
            return TRUE;
        }
    }
    ShowText(owner_, 40063, MB_ICONEXCLAMATION);
    return FALSE;
}

BOOL PasswordLock::Clear()
{
    Settings settings(store_);
    settings.SetPasswordActive(false);
    return settings.DeletePasswordRecord() ? TRUE : FALSE;
}

bool PasswordLock::RunGate()
{
    if (!IsActive())
        return true;
    for (int attempt = 0; attempt < kGateAttempts; ++attempt)
        if (Ask())
            return true;
    return false;
}
