#include "AttachmentPicker.h"

#include "AttachmentPath.h"
#include "DbJItem.h"
#include "DialogPlacement.h"
#include "MessageBoxFlags.h"
#include "ZCToolbar.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Posted by OnInitDialog: the missing-file question comes once the page
// runs, so that answering it can end the page.
constexpr UINT kMsgCheckAttached = WM_USER + 1;

const WCHAR kMissingFileQuestion[] = u"The referenced file can not be found. Perhaps it has been deleted or "
                                     u"moved to another directory?\n\nRemove reference to file?";
const WCHAR kCaption[] = u"Kestrin Attachment";

QString& StartFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

} // namespace

AttachmentPicker::AttachmentPicker(DbJItem& field)
    : field_(field)
{
}

void AttachmentPicker::SetStartFolder(const QString& folder)
{
    StartFolder() = folder;
}

int AttachmentPicker::Open(QWidget* parent)
{
    const int result = DoModal(parent, QString::fromUtf16(kCaption), QStringLiteral("attachmentPicker"));
    // Clear takes effect at once, also when the page is then cancelled.
    return result >= 0 && changed_ ? 1 : 0;
}

BOOL AttachmentPicker::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    if (!tree_.Create({}, {}, dialog, QStringLiteral("attachmentTree")))
        return FALSE;
    SetItem(kTreeId, tree_.GetHandle());
    layout->addWidget(tree_.GetHandle(), 1);

    if (!bar_.Create({}, {}, dialog, QStringLiteral("attachmentToolbar")))
        return FALSE;
    bar_.SetOwner(this);
    bar_.AddButton(CMD_CLEAR, QStringLiteral("Clear"), {}, QStringLiteral("buttonClear"));
    bar_.AddButton(CMD_RUN, QStringLiteral("Run"), {}, QStringLiteral("buttonRun"));
    auto* spacer = new QWidget(dialog);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar_.Bar()->addWidget(spacer);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("attachmentButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    bar_.Bar()->addWidget(buttons);
    layout->addWidget(bar_.GetHandle());

    if (!CoverHandheldOwner(*dialog, dialog->parentWidget()))
        dialog->resize(520, 600);
    ShowAttached();
    return TRUE;
}

QString AttachmentPicker::StoredPath() const
{
    LPCWSTR stored = field_.GetStrValue();
    return AttachmentFilePath(stored ? QString::fromUtf16(stored) : QString());
}

void AttachmentPicker::ShowAttached()
{
    QTreeWidgetItem* root = tree_.InsertRoot();
    const QString attached = StoredPath();
    QTreeWidgetItem* found = tree_.FindPath(root, attached.isEmpty() ? StartFolder() : attached);
    if (found) {
        QTreeWidget* tree = tree_.Tree();
        tree->setCurrentItem(found);
        if (tree_.IsFolder(found) && attached.isEmpty())
            found->setExpanded(true);
        tree->scrollToItem(found, QAbstractItemView::PositionAtCenter);
    }
    if (!found && !attached.isEmpty())
        PostMessage(kMsgCheckAttached);
}

void AttachmentPicker::Clear()
{
    tree_.Tree()->setCurrentItem(nullptr);
    tree_.Tree()->clearSelection();
    if (LPCWSTR stored = field_.GetStrValue(); stored && *stored) {
        field_.SetStrValue(u"");
        changed_ = true;
    }
}

QString AttachmentPicker::SelectedPath() const
{
    const QList<QTreeWidgetItem*> selected = tree_.Tree()->selectedItems();
    return selected.isEmpty() ? QString() : tree_.GetPath(selected.front());
}

void AttachmentPicker::StoreSelection()
{
    const QString path = SelectedPath();
    if (path.isEmpty())
        return;
    LPCWSTR stored = field_.GetStrValue();
    if (stored && QString::fromUtf16(stored) == path)
        return;
    field_.SetStrValue(reinterpret_cast<LPCWSTR>(path.utf16()));
    changed_ = true;
}

LRESULT AttachmentPicker::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgCheckAttached) {
        if (MessageBox(kMissingFileQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            Clear();
            EndDialog(1);
        }
        return 0;
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case CMD_CLEAR:
            Clear();
            return 0;
        case CMD_RUN:
            ZCFileTree::Open(SelectedPath());
            return 0;
        case IDC_OK:
            StoreSelection();
            EndDialog(1);
            return 0;
        default:
            break;
        }
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}
