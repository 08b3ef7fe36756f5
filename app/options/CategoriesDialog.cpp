#include "CategoriesDialog.h"

#include "DialogPlacement.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(320, 360);

} // namespace

int CategoriesDialog::Run(QWidget* owner)
{
    owner_ = owner;
    return DoModal(owner, QStringLiteral("Categories"), QStringLiteral("categoriesDialog"));
}

BOOL CategoriesDialog::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!editor_.Create({}, {}, dialog, QStringLiteral("categoryListEditor")))
        return FALSE;
    SetItem(kEditorId, editor_.GetHandle());
    layout->addWidget(editor_.GetHandle(), 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("categoriesButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
    editor_.LoadList();
    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    editor_.Field().SetFocus();
    return TRUE;
}
