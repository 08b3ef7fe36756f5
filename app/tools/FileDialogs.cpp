#include "FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

// Windows narrower than this are handheld-sized: the dialog covers them.
constexpr int kHandheldWidth = 480;

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
    if (QWidget* window = owner ? owner->window() : nullptr; window && window->width() < kHandheldWidth)
        dialog.setGeometry(window->geometry());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = QDir::cleanPath(dialog.selectedFiles().first());
    filterIndex = static_cast<int>(std::max<qsizetype>(0, spec.filters.indexOf(dialog.selectedNameFilter())));
    return true;
}
