#pragma once
// PasswordLock: the journal's optional numeric password. When one is set
// ("pwActive" 1 and a stored password record in "vacc"), the program asks for
// it at every start and ends after three wrong entries; the options dialog
// sets and clears it. The record is a salted slow hash (PasswordHash.h), never
// the digits; the digits typed are compared exactly, leading zeros included.
//
// One object per use, with the window that owns its dialogs and messages and
// the settings store. Messages go through the UI hooks. UI thread only.

#include "WinTypes.h"
#include "ZRegistry.h"

#include <QString>

#include <functional>

class QWidget;

class PasswordLock {
public:
    // Shows the keypad in `mode` over `owner` and returns the digits typed.
    using Keypad = std::function<QString(QWidget* owner, int mode)>;

    PasswordLock(QWidget* owner, ZRegistry& store);

    // Replaces the keypad dialog (tests script the digits); an empty function
    // puts the dialog back.
    static void SetKeypad(Keypad keypad);

    // Whether a password is required. A lock switched on without a stored
    // password cannot be satisfied meaningfully: it is switched off, the
    // user is told so once, and 0 is returned.
    BOOL IsActive();
    // Asks for the password once: 1 when the digits match; else shows
    // "Incorrect Password.\nAccess Denied!" and returns 0. A password still
    // stored as clear text by an older version is replaced by its hash when
    // entered correctly.
    BOOL Ask();
    // Asks for a new password twice; when both entries are equal and not
    // empty, stores it, switches the lock on, says "Password Active" and
    // returns 1. Otherwise says "Inconsistently Entered Passwords. Password
    // NOT Active", writes nothing and returns 0 (an earlier password stays).
    BOOL SetNew();
    // Switches the lock off and deletes the stored password; 1 when a stored
    // password was deleted.
    BOOL Clear();

    // The start-up gate: when a password is active, up to three Ask()s;
    // true when one succeeded or none is needed, false after three failures.
    bool RunGate();

    // Whether the lock's settings can be read at all: false when the
    // settings store did not open or reading the lock's values fails (not
    // when they are merely absent). The gate cannot tell whether a password
    // is set without them, so the program must not open the journal.
    bool SettingsReadable() const;
    // The message for settings that cannot be read, naming the file.
    static ZString UnreadableSettingsText(LONG error);

    const QString& Entered() const { return entered_; }
    const QString& Reentered() const { return reentered_; }

private:
    QString RunKeypad(int mode);

    QWidget* owner_;
    ZRegistry& store_;
    QString entered_;
    QString reentered_;
};
