#include "CategoryPicker.h"

#include "CategoryLink.h"
#include "CategoryListEditor.h"
#include "DialogPlacement.h"
#include "PackedLists.h"
#include "ReferenceFields.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(420, 520);

bool SameName(const QString& a, const ZString& b)
{
    return b.Text() && a.compare(b.ToQString(), Qt::CaseInsensitive) == 0;
}

} // namespace

int CategoryPicker::Pick(QWidget* parent, DbJItem* categoriesField)
{
    CategoryPicker picker(categoriesField);
    return picker.Run(parent);
}

CategoryPicker::CategoryPicker(DbJItem* categoriesField)
    : field_(categoriesField)
{
}

CategoryPicker::~CategoryPicker()
{
    watch_.Close();
}

int CategoryPicker::Run(QWidget* parent)
{
    owner_ = parent;
    changed_ = 0;
    const int result = DoModal(parent, QStringLiteral("Categories"), QStringLiteral("categoryPicker"));
    watch_.Close();
    editor_.reset();
    return result;
}

BOOL CategoryPicker::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    editor_ = std::make_unique<CategoryListEditor>();
    if (!editor_->Create({}, {}, dialog, QStringLiteral("categoryEditor")))
        return FALSE;
    SetItem(kEditorId, editor_->GetHandle());
    layout->addWidget(editor_->GetHandle(), 1);
    editor_->LoadList();

    if (field_) {
        chosen_.clear();
        UnpackCategories(*field_->GetBlob(), chosen_);
        list_ = new QListWidget(dialog);
        list_->setObjectName(QStringLiteral("categoryList"));
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
        SetItem(kListId, list_);
        layout->addWidget(list_, 1);
        QObject::connect(list_, &QListWidget::itemClicked, dialog,
            [this](QListWidgetItem* item) { ToggleRow(list_->row(item)); });

        tabs_ = new QTabBar(dialog);
        tabs_->setObjectName(QStringLiteral("categoryTabs"));
        tabs_->setShape(QTabBar::RoundedSouth);
        tabs_->setDrawBase(false);
        tabs_->addTab(QStringLiteral("Select"));
        tabs_->addTab(QStringLiteral("Add/Delete"));
        SetItem(kTabsId, tabs_);
        layout->addWidget(tabs_);
        QObject::connect(tabs_, &QTabBar::currentChanged, dialog, [this](int page) { ShowPage(page); });
        // Changes of the categories database reach the check list.
        watch_.Open(AsNotifyWindow(static_cast<DbNotifyTarget*>(this)));
        ShowPage(kSelectPage);
    } else {
        editor_->Field().SetFocus();
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("categoryPickerButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);

    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    return TRUE;
}

LRESULT CategoryPicker::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_OK && !IsEnding()) {
        if (field_)
            StoreCategoriesField(*field_, chosen_);
        EndDialog(changed_);
        return 0;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}

void CategoryPicker::ShowPage(int page)
{
    if (!list_)
        return;
    if (tabs_->currentIndex() != page) {
        tabs_->setCurrentIndex(page); // comes back here through currentChanged
        return;
    }
    if (page == kAddDeletePage) {
        list_->hide();
        editor_->Show();
        editor_->Field().SetFocus();
    } else {
        // Categories added on the other page appear.
        FillCheckList();
        editor_->Hide();
        list_->show();
    }
}

int CategoryPicker::ChosenIndex(const QString& name) const
{
    for (std::size_t i = 0; i < chosen_.size(); ++i)
        if (SameName(name, chosen_[i].GetName()))
            return static_cast<int>(i);
    return -1;
}

void CategoryPicker::FillCheckList()
{
    list_->clear();
    DbCats categories;
    if (!categories.Open(nullptr))
        return;
    const std::vector<DbCItem> visible = VisibleCategories(categories);
    categories.Close();
    for (const DbCItem& category : visible) {
        auto* item = new QListWidgetItem(category.GetName().ToQString(), list_);
        item->setData(Qt::UserRole, static_cast<uint>(category.GetOid()));
        // Taps toggle rows through ToggleRow, on the box and on the text.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    for (DbCItem& category : chosen_) {
        QListWidgetItem* byOid = nullptr;
        QListWidgetItem* byName = nullptr;
        for (int row = 0; row < list_->count(); ++row) {
            QListWidgetItem* item = list_->item(row);
            if (!SameName(item->text(), category.GetName()))
                continue;
            // An OID counts only with its name: another device's OID may be
            // an unrelated category here.
            if (item->data(Qt::UserRole).toUInt() == category.GetOid())
                byOid = item;
            else if (!byName)
                byName = item;
        }
        if (byOid) {
            byOid->setCheckState(Qt::Checked);
        } else if (byName) {
            byName->setCheckState(Qt::Checked);
            category.SetOid(byName->data(Qt::UserRole).toUInt());
            changed_ = 1;
        }
    }
}

void CategoryPicker::ToggleRow(int row)
{
    QListWidgetItem* item = list_ ? list_->item(row) : nullptr;
    if (!item)
        return;
    if (item->checkState() == Qt::Checked) {
        item->setCheckState(Qt::Unchecked);
        if (const int at = ChosenIndex(item->text()); at >= 0)
            chosen_.erase(chosen_.begin() + at);
    } else {
        item->setCheckState(Qt::Checked);
        chosen_.emplace_back(item->data(Qt::UserRole).toUInt(), item->text().toStdU16String().c_str());
    }
    list_->setCurrentItem(item);
    list_->setFocus();
    changed_ = 1;
}

void CategoryPicker::OnDbNotify(UINT, CEOID)
{
    if (list_ && list_->isVisible())
        FillCheckList();
}
