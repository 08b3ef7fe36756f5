#include "PasswordLock.h"

#include "DataFolder.h"
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

bool PasswordLock::SettingsReadable() const
{
    if (!store_.IsOpen())
        return false;
    ZString path(store_.GetPath());
    path.Append(u"\\");
    path.Append(Settings::kOptionsName);
    HKEY section = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &section);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true; // nothing was ever set: no lock
    if (opened != ERROR_SUCCESS)
        return false;
    bool readable = true;
    for (LPCWSTR name : { Settings::kPasswordActive, Settings::kPassword }) {
        DWORD bytes = 0;
        const LONG read = RegQueryValueExW(section, name, nullptr, nullptr, nullptr, &bytes);
        readable = readable && (read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND);
    }
    RegCloseKey(section);
    return readable;
}

ZString PasswordLock::UnreadableSettingsText(LONG error)
{
    ZString text = ZString::FromUtf8("The settings in " + (DataFolder() / "registry.db").string()
        + " cannot be read");
    if (LPCWSTR reason = ZString::ErrorText(static_cast<DWORD>(error)); reason && *reason) {
        text.Append(u" (");
        text.Append(reason);
        text.Append(u")");
    }
    text.Append(u".\nKestrin stops: without its settings it cannot tell whether the journal is "
                u"protected by a password.");
    return text;
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
