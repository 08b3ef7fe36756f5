#pragma once
// ZMenu: one menu (a menu bar's menu or a pop-up) whose items are commands
// known by number. Choosing an item sends WM_COMMAND with the item's id to
// the owner window given to TrackPopup, or to the window set with SetOwner
// for a menu that lives in a menu bar. The menu is owned by the object.
// Item object names are "menuItem<id>" unless given, so tests find them.
// UI thread only.

#include "WinTypes.h"

#include <QPointer>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class ZWindow;

enum : UINT {
    MF_STRING = 0x0000,
    MF_ENABLED = 0x0000,
    MF_UNCHECKED = 0x0000,
    MF_BYCOMMAND = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,
    MF_BYPOSITION = 0x0400,
    MF_SEPARATOR = 0x0800,
};

enum : UINT {
    TPM_LEFTALIGN = 0x0000,
    TPM_TOPALIGN = 0x0000,
    TPM_RIGHTALIGN = 0x0008,
    TPM_BOTTOMALIGN = 0x0020,
    TPM_RETURNCMD = 0x0100,
};

class ZMenu {
public:
    ZMenu();
    ~ZMenu();
    ZMenu(const ZMenu&) = delete;
    ZMenu& operator=(const ZMenu&) = delete;

    // Makes an empty menu (a previous one is destroyed). Always 1.
    BOOL CreatePopup(const QString& title = {});
    BOOL Destroy();
    QMenu* Handle() const { return menu_.get(); }

    // Appends an item (MF_STRING with MF_GRAYED/MF_CHECKED) or a separator
    // (MF_SEPARATOR; id and text unused). 0 without a menu.
    BOOL Append(UINT flags, UINT id, const QString& text, const QString& objectName = {});
    // Appends `sub` as a sub-menu titled `text`; `sub` keeps owning it.
    BOOL AppendSubMenu(ZMenu& sub, const QString& text);
    // Inserts before the item at `position` (MF_BYPOSITION) or before the
    // item with id `position`; at the end when there is no such item.
    BOOL Insert(UINT position, UINT flags, UINT id, const QString& text);
    // Removes the item with id `item` (or at that position with
    // MF_BYPOSITION); 0 when there is none.
    BOOL Remove(UINT item, UINT flags = MF_BYCOMMAND);
    BOOL Enable(UINT id, BOOL enable);
    BOOL Disable(UINT id) { return Enable(id, FALSE); }
    BOOL Check(UINT id, BOOL checked);
    BOOL IsChecked(UINT id) const;
    QAction* Item(UINT id) const;
    int ItemCount() const;

    // Commands of a menu shown outside TrackPopup go to `owner` as posted
    // WM_COMMAND messages.
    void SetOwner(ZWindow* owner);
    // Shows the menu at the screen point (x, y), aligned by the TPM_* flags,
    // and waits for the choice. With TPM_RETURNCMD returns the chosen id (0
    // for none) and sends nothing; else posts WM_COMMAND with the id to
    // `owner` and returns 1 when something was chosen.
    int TrackPopup(UINT flags, int x, int y, ZWindow* owner);
    // Where TrackPopup puts the top-left corner of a menu of `size`.
    static QPoint PopupOrigin(UINT flags, int x, int y, const QSize& size);

private:
    QAction* ItemAt(UINT item, UINT flags) const;
    QAction* MakeItem(UINT flags, UINT id, const QString& text, const QString& objectName);

    std::unique_ptr<QMenu> menu_;
    ZWindow* owner_ = nullptr;
};
