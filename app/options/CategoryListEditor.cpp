#include "CategoryListEditor.h"

#include "DbCats.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZString.h"

#include <QListWidget>

namespace {

// The item data role that holds a category's record id.
constexpr int kOidRole = Qt::UserRole;

} // namespace

bool CategoryListEditor::LoadList()
{
    ResetContent();
    QListWidget* list = List();
    if (!list)
        return false;
    DbCats probe;
    if (!probe.Open(nullptr))
        return false;
    probe.Close();
    for (const CategoryInfo& category : ListCategories()) {
        if (category.hidden)
            continue;
        const int index = AddString(QString::fromStdU16String(category.name));
        list->item(index)->setData(kOidRole, static_cast<qulonglong>(category.oid));
    }
    return true;
}

CEOID CategoryListEditor::ItemOid(int index) const
{
    const QListWidget* list = List();
    if (!list || index < 0 || index >= list->count())
        return 0;
    return static_cast<CEOID>(list->item(index)->data(kOidRole).toULongLong());
}

bool CategoryListEditor::AddCategory()
{
    const QString name = Field().Text().left(kMaxNameChars);
    bool added = false;
    if (!name.isEmpty()) {
        DbCats categories;
        if (categories.Open(nullptr)) {
            added = categories.AddCategory(ZString::FromQString(name), PROPID_CATCOUNT_JOURNAL) != 0;
            categories.Close();
        }
    }
    LoadList();
    Field().SetText(QString());
    Field().SetFocus();
    return added;
}

bool CategoryListEditor::DeleteCategory()
{
    if (MessageBoxW(GetHwnd(), u"Delete?", kWindowTitle, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return false;
    const CEOID oid = ItemOid(GetCurSel());
    bool removed = false;
    if (oid != 0) {
        DbCats categories;
        if (categories.Open(nullptr)) {
            removed = categories.DeleteCategory(oid, PROPID_CATCOUNT_JOURNAL) != 0;
            categories.Close();
        }
    }
    Field().SetText(QString());
    LoadList();
    DeleteButton().Enable(FALSE);
    if (QListWidget* list = List())
        list->setFocus();
    return removed;
}

void CategoryListEditor::OnAdd(WORD)
{
    AddCategory();
}

void CategoryListEditor::OnDelete(WORD)
{
    DeleteCategory();
}
