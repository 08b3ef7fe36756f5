#pragma once
// The UI hooks of the program (see UiHooks.h) on Qt Widgets: message boxes are
// QMessageBoxes, the wait cursor is the application's override cursor, trace
// lines go to the logging category "kestrin.trace" (off unless enabled with
// QT_LOGGING_RULES="kestrin.trace.debug=true" or KESTRIN_TRACE=1), and sounds
// play through Qt Multimedia (SoundPlayer), silently without an audio device.
//
// Calls from other threads (the infrared worker) are carried out on the
// thread of the QApplication; boxes and the cursor wait for it, sounds do
// not. The object must be made after the QApplication and live as long as
// it is installed.

#include "SoundPlayer.h"
#include "UiHooks.h"

#include <QMessageBox>

class QtUiHooks : public UiHooks {
public:
    QtUiHooks();

    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) override;
    void SetWaitCursor(bool on) override;
    void Trace(std::u16string_view line) override;
    BOOL PlaySound(std::u16string_view path, DWORD flags) override;

    // The Qt button for an answer (IDYES -> QMessageBox::Yes), and back.
    static QMessageBox::StandardButton ButtonFor(int answer);
    static int AnswerFor(QMessageBox::StandardButton button);
    // The Qt icon of the MB_ICON* bits of a style.
    static QMessageBox::Icon IconFor(UINT type);
    // Builds (without showing) the box a style describes; the caller owns it.
    static QMessageBox* BuildBox(QWidget* owner, const QString& text, const QString& caption, UINT type);

private:
    bool cursorShown_ = false;
    SoundPlayer sounds_;
};
