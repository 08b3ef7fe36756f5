#pragma once
// ZCAddDeleteList: a composite control for editing a list of short texts: a
// one-line field with "Add" and "Delete" buttons beside it and a sorted list
// below. Typing in the field selects the first list item that begins with the
// text (ignoring case); the buttons follow the text and the selection. What
// Add and Delete do is the owner's: it derives and overrides OnAdd and
// OnDelete (and OnEditFocus to hear the field's focus), which do nothing here.
//
// The frame is the control's window (made by Create, owned by the object);
// the field, the buttons and the list are its children and die with it. The
// children's notifications reach WindowProc as WM_COMMAND with the child's
// id in the low word and the notification code in the high word, so a
// derived class may also handle them there. Any number of these controls may
// live at once. UI thread only.

#include "ZCButton.h"
#include "ZCCapEdit.h"
#include "ZDialog.h"
#include "ZWindow.h"

class QListWidget;

class ZCAddDeleteList : public ZWindow {
public:
    // Child ids.
    enum : int {
        IDC_ADL_EDIT = 771,
        IDC_ADL_ADD = 772,
        IDC_ADL_DELETE = 773,
        IDC_ADL_LIST = 774,
    };
    // Notification codes the children send (high word of WM_COMMAND).
    enum : WORD {
        EN_SETFOCUS = 0x0100,
        EN_KILLFOCUS = 0x0200,
        EN_CHANGE = 0x0300,
        LBN_SELCHANGE = 1,
    };

    ZCAddDeleteList();
    ~ZCAddDeleteList() override;

    ZCCapEdit& Field() { return edit_; }
    ZCButton& AddButton() { return add_; }
    ZCButton& DeleteButton() { return delete_; }
    // The list, or null before Create.
    QListWidget* List() const;

    // Places the children in `rect` (the frame is moved there first) or, for
    // null, in the frame's client area. Does nothing before Create.
    void Layout(const QRect* rect = nullptr);
    // Follows a change of the field: selects the first item that begins with
    // the text and enables the buttons to match. An empty field selects
    // nothing and leaves both buttons disabled.
    void UpdateSelection();

    // List operations. Items are kept sorted ignoring case; an item equal to
    // one present goes after it. Indexes are 0-based; -1 means none.
    int AddString(const QString& text);
    BOOL DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    // Selects `index` (-1 clears the selection).
    void SetCurSel(int index);
    // The item's text; empty for an index out of range.
    QString GetItemText(int index) const;
    // A number kept with the item (0 until set); SetItemData is false for
    // an index out of range.
    BOOL SetItemData(int index, DWORD data);
    DWORD GetItemData(int index) const;

protected:
    // The field gained (lost == 0) or lost (lost == 1) the focus.
    virtual void OnEditFocus(BOOL lost, int id);
    virtual void OnAdd(WORD code);
    virtual void OnDelete(WORD code);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class FocusWatcher;
    void CreateChildren();
    void OnCommand(WORD id, WORD code);
    void SendCommand(int id, WORD code);

    ZCCapEdit edit_;
    ZCButton add_;
    ZCButton delete_;
    QPointer<QListWidget> list_;
    std::unique_ptr<FocusWatcher> focusWatcher_;
};
