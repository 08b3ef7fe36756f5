#pragma once
// CategoryListEditor: the categories list editor, an add/delete list bound to
// the shared categories database. The list shows every visible category
// (hidden ones are kept out of sight, not out of the database); Add creates
// a category (or shows a hidden one again) with the journal's use counter;
// Delete asks "Delete?" and then hides a category still in use or deletes
// it. The options dialog's "Categories" row shows it alone; the category
// picker shows it as its "Add/Delete" page.
//
// The database is opened for each operation and closed again, so the editor
// holds no handle between taps. Owned by the dialog that shows it; UI thread
// only.

#include "CeDbTypes.h"
#include "WinTypes.h"
#include "ZCAddDeleteList.h"

class CategoryListEditor : public ZCAddDeleteList {
public:
    // The longest category name Add takes, in characters.
    static constexpr int kMaxNameChars = 200;

    // Refills the list from the database: every visible category, its
    // record id kept as the item's data. False when the database could not
    // be opened (the list is then empty).
    bool LoadList();
    // The record id of list item `index`; 0 when there is none.
    CEOID ItemOid(int index) const;

    // Adds the field's text (at most kMaxNameChars characters) as a
    // category, reloads the list, empties the field and focuses it. True
    // when a category was added (or shown again).
    bool AddCategory();
    // After "Delete?" answered Yes, hides or deletes the selected category.
    // Then empties the field, reloads the list, disables Delete and focuses
    // the list. True when a category was removed.
    bool DeleteCategory();

protected:
    void OnAdd(WORD code) override;
    void OnDelete(WORD code) override;
};
