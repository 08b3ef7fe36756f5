#pragma once
// CategoryPicker: the "Categories" dialog. For an entry's Categories field
// it has two pages: "Select", a check list of every visible category of the
// shared categories database, and "Add/Delete", the categories list editor.
// Without a field (from the options dialog) it shows the list editor alone.
//
// On opening, each category of the entry is found in the check list: by its
// record OID when that row has the entry's name (ignoring case), else by
// name, when the entry's copy takes the row's OID (the category was made
// again) and the picker reports a change. A category that is hidden or gone
// shows no check mark and stays in the entry. Checking a row appends the
// category (OID and whole name), unchecking removes the entry's category of
// that name. Changes of the categories database (by the list editor or
// anything else in the program) fill the check list again. OK writes the
// list back into the field (blob and "; "-joined text; both empty for no
// category); closing otherwise leaves the field as it was.
//
// The field is not owned and must outlive the dialog. UI thread only.

#include "DbCItem.h"
#include "DbCats.h"
#include "DbJItem.h"
#include "DbNotifyTarget.h"
#include "ZDialog.h"

#include <memory>
#include <vector>

class CategoryListEditor;
class QListWidget;
class QListWidgetItem;
class QTabBar;

class CategoryPicker : public ZDialog, private DbNotifyTarget {
public:
    enum : int {
        kTabsId = 1000,
        kEditorId = 1006,
        kListId = 1022,
    };
    enum : int {
        kSelectPage = 0,
        kAddDeletePage = 1,
    };

    // Runs the picker over `parent` for an entry's Categories field, or the
    // list editor alone for null. Returns 1 when the entry's categories
    // changed, 0 when not, -1 when the dialog could not be made.
    static int Pick(QWidget* parent, DbJItem* categoriesField);

    explicit CategoryPicker(DbJItem* categoriesField);
    ~CategoryPicker() override;

    int Run(QWidget* parent);

    // The entry's categories while the picker runs.
    const std::vector<DbCItem>& Chosen() const { return chosen_; }
    void ShowPage(int page);
    // Toggles check-list row `row` as a tap on it does.
    void ToggleRow(int row);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnDbNotify(UINT code, CEOID oid) override;
    void FillCheckList();
    int ChosenIndex(const QString& name) const;

    DbJItem* field_;
    QWidget* owner_ = nullptr;
    std::vector<DbCItem> chosen_;
    int changed_ = 0;
    DbCats watch_;
    QTabBar* tabs_ = nullptr;
    QListWidget* list_ = nullptr;
    std::unique_ptr<CategoryListEditor> editor_;
};
