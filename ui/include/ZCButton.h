#pragma once
// ZCButton: a push button, check box or radio button (any QAbstractButton,
// usually a dialog's item given to Attach). Check states are those of the
// platform: 0 unchecked, 1 checked, 2 indeterminate. UI thread only.

#include "ZWindow.h"

class QAbstractButton;

enum : int {
    BST_UNCHECKED = 0,
    BST_CHECKED = 1,
    BST_INDETERMINATE = 2,
};

class ZCButton : public ZWindow {
public:
    QAbstractButton* Button() const;
    // Clicks the button as the user would (its command is sent).
    void Click();
    int GetCheck() const;
    // Sets the state; a button that cannot be checked ignores it.
    void SetCheck(int state);
    void Check() { SetCheck(BST_CHECKED); }
    void Uncheck() { SetCheck(BST_UNCHECKED); }

protected:
    // Create makes a push button.
    QWidget* CreateWidget(QWidget* parent) override;
};
