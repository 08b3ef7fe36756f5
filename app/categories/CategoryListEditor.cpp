#include "CategoryListEditor.h"

#include "CategoryLink.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZHandles.h"

#include <QListWidget>

LRESULT CategoryListEditor::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = ZCAddDeleteList::WindowProc(message, wParam, lParam);
    if (message == WM_CREATE)
        Field().LimitText(kMaxNameChars);
    return result;
}

BOOL CategoryListEditor::LoadList()
{
    ResetContent();
    DbCats categories;
    if (!categories.Open(nullptr))
        return FALSE;
    for (const DbCItem& category : VisibleCategories(categories)) {
        const int index = AddString(category.GetName().ToQString());
        SetItemData(index, category.GetOid());
    }
    categories.Close();
    return TRUE;
}

void CategoryListEditor::OnAdd(WORD)
{
    const QString name = Field().Text();
    if (name.isEmpty())
        return;
    DbCats categories;
    if (categories.Open(nullptr)) {
        categories.AddCategory(name.toStdU16String().c_str(), PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }
    LoadList();
    Field().SetText(QString());
    Field().SetFocus();
    if (onChanged_)
        onChanged_();
}

void CategoryListEditor::OnDelete(WORD)
{
    const int selected = GetCurSel();
    if (selected < 0)
        return;
    if (MessageBoxW(GetHwnd(), kDeleteQuestion, kWindowTitle, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    DbCats categories;
    if (categories.Open(nullptr)) {
        categories.DeleteCategory(GetItemData(selected), PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }
    Field().SetText(QString());
    LoadList();
    DeleteButton().Enable(FALSE);
    if (QListWidget* list = List())
        list->setFocus();
    if (onChanged_)
        onChanged_();
}
