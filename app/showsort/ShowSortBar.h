#pragma once
// ShowSortBar: the strip across the top of the main window with two
// drop-down buttons, drawn in the skin's background, menu-text colour and
// the bar's bold font at every window size (each button takes half the
// width less 20 pixels, so they grow with the window).
//
// "Show" (left, object name "showButton") names what the filter lets
// through ("All", a category, "Multiple...", a month, "Months...",
// "Range...") and opens the Show menu: up to eight of the categories in use,
// in the categories database's order (checked when the filter holds them),
// "All" and "More...". "Sort" (right, "sortButton") names the field the
// journal is sorted by and opens the Sort menu: the sortable fields (the one
// in "SortBy" checked) and "Ascending".
//
// Keyboard: Alt+S opens the Show menu, Alt+O the Sort menu; a focused button
// opens its menu with F4, Alt+Down, Space or Enter.
//
// Commands sent to the owner window (WM_COMMAND): 1107 "All"; 1108 with high
// word 1 "More..."; 1113 after a category was chosen (the filter is saved);
// a field id with high word 1127 (sort by that field); the bar's id with
// high word 1129 (reverse the direction). After a filter change from the
// menu the bar asks for a refresh through the callback it was given.
//
// The journal, settings store and owner are not owned and must outlive the
// bar; its window (named "showSortBar") is owned by the object. UI thread only.

#include "DbKestrin.h"
#include "ZFilter.h"
#include "ZJITEMS.h"
#include "ZMenu.h"
#include "ZRegistry.h"
#include "ZWindow.h"

#include <functional>
#include <vector>

class QAbstractButton;

class ShowSortBar : public ZWindow {
public:
    static constexpr WORD kBarId = 1002;
    static constexpr WORD kSortButtonId = 513;
    static constexpr WORD kShowButtonId = 514;
    static constexpr WORD kCmdAll = 1107;
    static constexpr WORD kCmdMore = 1108;
    static constexpr WORD kCmdSaveFilter = 1113;
    static constexpr WORD kFirstCategoryCommand = 1114;
    static constexpr WORD kCmdAscending = 1003;
    static constexpr WORD kSortCode = 1127;
    static constexpr WORD kReverseCode = 1129;
    static constexpr int kMaxMenuCategories = 8;

    // A category the Show menu offers.
    struct MenuCategory {
        CEOID oid = 0;
        QString name;
    };

    ShowSortBar(DbKestrin& journal, ZRegistry& settings, ZWindow* owner, std::function<void()> requestRefresh);
    ~ShowSortBar() override;

    // Makes the bar's window as a child of `parent`. 1 when made.
    BOOL CreateBar(QWidget* parent);
    QAbstractButton* ShowButton() const;
    QAbstractButton* SortButton() const;
    QString ShowLabel() const;
    QString SortLabel() const;

    // The Show label. A category command (kFirstCategoryCommand + n for n
    // below `categoryCount`) with a chosen, non-empty category name first
    // makes the filter that category alone and saves it (command 1113 to the
    // owner); any other command only describes the filter as it is.
    void SetShowLabel(WORD command, int categoryCount = 0, const QString& chosen = {});
    // The Sort label: the label of the sortable field with that id; no change
    // for any other id.
    void SetSortLabel(WORD fieldId);

    // Open the menus below their buttons and carry out the choice.
    void OpenShowMenu();
    void OpenSortMenu();

    // What the Show label says of `filter`.
    static QString FilterDescription(const ZFilter& filter);
    // The categories the Show menu offers: those the journal uses (use count
    // present and not 0), the first kMaxMenuCategories in the database's
    // order. Empty when the categories database cannot be opened.
    static std::vector<MenuCategory> MenuCategories();

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    class Button;
    class Strip;
    void Layout();
    void SendToOwner(WORD id, WORD code);
    const DbJItem* SortableField(WORD fieldId) const;

    DbKestrin& journal_;
    ZRegistry& settings_;
    ZWindow* owner_;
    std::function<void()> requestRefresh_;
    ZJITEMS fields_;
    Button* show_ = nullptr;
    Button* sort_ = nullptr;
};
