#pragma once
// ZCCapEdit: a one-line text field (QLineEdit) with the edit operations the
// dialogs use: selection, replacing the selection, a length limit, the
// modified flag, undo and a password character. Positions count UTF-16
// characters. UI thread only.

#include "ZWindow.h"

class QLineEdit;

class ZCCapEdit : public ZWindow {
public:
    QLineEdit* Edit() const;
    // The selection as start and end positions (both the cursor when none).
    void GetSel(int& start, int& end) const;
    // Selects start..end; end -1 selects to the end of the text.
    void SetSel(int start, int end);
    // Replaces the selection (or inserts at the cursor).
    void ReplaceSel(const QString& text);
    // At most `characters` characters can be typed; 0 means no limit.
    void LimitText(int characters);
    int GetLimitText() const;
    BOOL GetModify() const;
    void SetModify(BOOL modified);
    BOOL Undo();
    BOOL CanUndo() const;
    // Shows every character as `ch`; 0 shows the text as it is.
    void SetPasswordChar(QChar ch);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
};
