#pragma once
// ZDialog: a dialog window (a QDialog) with the operations the program's
// dialogs use: run modally or modelessly, end with a value, centre in the
// screen's work area, and address the dialog's items by their numeric ids.
//
// A derived dialog builds its items in OnInitDialog (registering each with
// SetItem so GetItem/EnableItem/... find it, and wiring buttons with
// ConnectCommand) and handles WM_COMMAND in WindowProc. By default IDOK ends
// the dialog with 1 (EndOk) and IDCANCEL with 0 (EndCancel); Enter, Escape
// and the window's close button arrive as IDOK, IDCANCEL and IDCANCEL, so a
// dialog that must not be cancelled handles IDCANCEL itself.
//
// The dialog window is owned by the object; DoModal makes and deletes it.
// UI thread only.

#include "ZWindow.h"

#include <QDialog>

#include <map>

class QAbstractButton;

enum : WORD {
    IDC_OK = 1, // IDOK as a command id
    IDC_CANCEL = 2, // IDCANCEL as a command id
    BN_CLICKED = 0,
};

class ZDialog : public ZWindow {
public:
    ZDialog() = default;
    ~ZDialog() override;

    // Makes the dialog (title `title`, object name `objectName`), calls
    // OnInitDialog and runs it modally over `parent`. Returns the value given
    // to EndDialog, or -1 when the dialog could not be made or OnInitDialog
    // returned 0 (the dialog is then not shown). The window is gone again
    // when DoModal returns.
    int DoModal(QWidget* parent, const QString& title = {}, const QString& objectName = {});
    // Makes the dialog, calls OnInitDialog and shows it without waiting.
    // Returns the dialog's window, or null on failure.
    QWidget* CreateModeless(QWidget* parent, const QString& title = {}, const QString& objectName = {});
    QDialog* Dialog() const;

    // Ends the dialog with `result` (the value DoModal returns). A modeless
    // dialog is hidden. 1 when there was a dialog to end.
    BOOL EndDialog(int result);
    BOOL EndOk() { return EndDialog(1); }
    BOOL EndCancel() { return EndDialog(0); }
    // The value the dialog ended with (0 until it ends).
    int Result() const { return result_; }
    // True while EndDialog is closing the window.
    bool IsEnding() const { return ending_; }

    // Moves the dialog, keeping its size, so that it sits horizontally in
    // the middle of its screen's work area (the screen less panels and
    // docks) and a third of the free height down; never above the work
    // area's top.
    void CenterInWorkArea();
    // The position CenterInWorkArea chooses for a dialog of `size` in
    // `workArea`.
    static QPoint CenteredPosition(const QRect& workArea, const QSize& size);

    // Items: child widgets known by number.
    void SetItem(int id, QWidget* item);
    // The item, or null when no item has that id (or it was deleted).
    QWidget* GetItem(int id) const;
    BOOL EnableItem(int id, BOOL enable);
    BOOL ShowItem(int id);
    BOOL HideItem(int id);
    BOOL IsItemVisible(int id) const;
    // Registers `button` as item `id` and makes its clicks arrive as
    // WM_COMMAND with wParam MAKEWPARAM(id, BN_CLICKED).
    void ConnectCommand(int id, QAbstractButton* button);

protected:
    // The dialog's window is a QDialog that reports accept/reject as IDOK and
    // IDCANCEL commands.
    QWidget* CreateWidget(QWidget* parent) override;
    // Builds the items; return 0 to refuse to open. The default returns 1.
    virtual BOOL OnInitDialog();
    // IDOK -> EndOk, IDCANCEL -> EndCancel, WM_CLOSE -> IDCANCEL.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEvent(QEvent* event) override;

private:
    bool Make(QWidget* parent, const QString& title, const QString& objectName);

    std::map<int, QPointer<QWidget>> items_;
    int result_ = 0;
    bool ending_ = false;
};
