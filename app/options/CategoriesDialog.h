#pragma once
// CategoriesDialog: the category screen opened without an entry (from the
// options): a dialog titled "Categories" holding only the categories list
// editor, which adds and removes categories of the shared categories
// database. OK ends it.
//
// The dialog owns its editor. UI thread only.

#include "CategoryListEditor.h"
#include "ZDialog.h"

class CategoriesDialog : public ZDialog {
public:
    enum : int { kEditorId = 1006 };

    // Runs the dialog over `owner`; 1 when closed with OK.
    int Run(QWidget* owner);
    CategoryListEditor& Editor() { return editor_; }

protected:
    BOOL OnInitDialog() override;

private:
    QWidget* owner_ = nullptr;
    CategoryListEditor editor_;
};
