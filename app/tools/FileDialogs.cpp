#include "FileDialogs.h"

#include "DialogPlacement.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QStandardPaths>

namespace {

// On a handheld's screen the dialog keeps only what it needs (no side bar
// of places, no history, no folder making, no view switches) and its
// buttons go under the fields, so that it fits the width.
void MakeCompact(QFileDialog& dialog)
{
    for (const char* name :
        { "sidebar", "backButton", "forwardButton", "newFolderButton", "listModeButton", "detailModeButton" })
        if (auto* part = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
            part->hide();
    dialog.setViewMode(QFileDialog::List);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (grid && buttons) {
        grid->removeWidget(buttons);
        buttons->setOrientation(Qt::Horizontal);
        grid->addWidget(buttons, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

} // namespace

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

bool AskForFile(QWidget* owner, const FileDialogSpec& spec, QString& path, int& filterIndex)
{
    QFileDialog dialog(owner, spec.title, DocumentsFolder());
    dialog.setObjectName(spec.save ? QStringLiteral("saveFileDialog") : QStringLiteral("openFileDialog"));
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(spec.filters);
    if (!spec.suffixes.isEmpty())
        dialog.setDefaultSuffix(spec.suffixes.first());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const qsizetype index = spec.filters.indexOf(filter);
        if (index >= 0 && index < spec.suffixes.size())
            dialog.setDefaultSuffix(spec.suffixes[index]);
    });
    if (!spec.initialName.isEmpty())
        dialog.selectFile(spec.initialName);
    if (IsHandheldSized(owner)) {
        MakeCompact(dialog);
        CoverHandheldOwner(dialog, owner);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = QDir::cleanPath(dialog.selectedFiles().first());
    filterIndex = static_cast<int>(std::max<qsizetype>(0, spec.filters.indexOf(dialog.selectedNameFilter())));
    return true;
}
