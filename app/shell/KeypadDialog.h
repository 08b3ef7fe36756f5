#pragma once
// KeypadDialog: the password keypad: ten digit buttons, "C" to clear and OK,
// so the password can be typed with a stylus (the keyboard's digits,
// Backspace and Enter work too). Three modes set the prompt and the echo:
// enter (256) "Enter Password", every digit shown as "X"; new (1) "New
// Password" and re-enter (16) "Re-Enter Password", digits shown as typed.
// OK is the only way out: closing the window ends it as OK does, with the
// digits typed so far. Escape clears the digits (as "C") and keeps the
// keypad open, so it never hands over a half-typed, wrong password.
// UI thread only.

#include "ZDialog.h"

#include <QString>

class QLineEdit;

class KeypadDialog : public ZDialog {
public:
    enum Mode : int {
        kNew = 1,
        kReEnter = 16,
        kEnter = 256,
    };
    // Item ids.
    enum : int {
        kPromptId = 1050,
        kEntryId = 1051,
        kZeroId = 1091, // "0"; "1" ... "9" are 1092 ... 1100
        kClearId = 1101,
    };

    explicit KeypadDialog(int mode);

    // Runs the keypad over `owner` and returns the digits typed.
    QString Run(QWidget* owner);
    const QString& Digits() const { return digits_; }
    // The prompt's string id for a mode (40018, 40016, 40017).
    static UINT PromptId(int mode);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEvent(QEvent* event) override;

private:
    void ShowDigits();

    int mode_;
    QString digits_;
    QLineEdit* entry_ = nullptr;
};
