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

bool AskForFile(QWidget* owner, const FileDialogOptions& options, QString& path, int& filterIndex)
{
    QFileDialog dialog(owner, options.title, DocumentsFolder());
    dialog.setObjectName(options.save ? QStringLiteral("saveFileDialog") : QStringLiteral("openFileDialog"));
    dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(options.filters);
    if (!options.suffixes.isEmpty())
        dialog.setDefaultSuffix(options.suffixes.first());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const qsizetype index = options.filters.indexOf(filter);
        if (index >= 0 && index < options.suffixes.size())
            dialog.setDefaultSuffix(options.suffixes[index]);
    });
    if (!options.initialName.isEmpty())
        dialog.selectFile(options.initialName);
    if (IsHandheldSized(owner)) {
        MakeCompact(dialog);
        CoverHandheldOwner(dialog, owner);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = QDir::cleanPath(dialog.selectedFiles().first());
    filterIndex = static_cast<int>(std::max<qsizetype>(0, options.filters.indexOf(dialog.selectedNameFilter())));
    return true;
}
