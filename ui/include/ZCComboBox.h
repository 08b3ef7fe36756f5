#pragma once
// ZCComboBox: a drop-down list (QComboBox) addressed the way the dialogs
// address it: items by zero-based index, -1 (CB_ERR) for "none", a 32-bit
// value kept with each item, and searches by text. UI thread only.

#include "ZWindow.h"

class QComboBox;

inline constexpr int CB_ERR = -1;

class ZCComboBox : public ZWindow {
public:
    QComboBox* Combo() const;
    // Appends `text`; returns its index (CB_ERR without a window).
    int AddString(const QString& text);
    // Inserts before `index` (-1: at the end); returns the index used.
    int InsertString(int index, const QString& text);
    // Removes item `index`; returns the count left, or CB_ERR.
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    // Selects `index` (-1 clears the selection); returns it, or CB_ERR when
    // there is no such item.
    int SetCurSel(int index);
    // The first item after `start` (-1: from the top) whose text begins
    // with `prefix`, ignoring case; wraps around; CB_ERR when none.
    int FindString(int start, const QString& prefix) const;
    // As FindString with the whole text equal (ignoring case).
    int FindStringExact(int start, const QString& text) const;
    // FindString, then selects what it found.
    int SelectString(int start, const QString& prefix);
    QString GetLBText(int index) const;
    DWORD GetItemData(int index) const;
    BOOL SetItemData(int index, DWORD data);
    void ShowDropDown(BOOL show);
    // At most `characters` in the edit field of an editable combo box.
    void LimitText(int characters);

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    int Find(int start, const QString& text, bool exact) const;
};
