#include "BackupCommands.h"

#include "FileDialogs.h"
#include "ProgramText.h"
#include "ProgressWindow.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZHandles.h"
#include "ZString.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr UINT kFilterActiveText = 40040;

BackupCommands::PathChooser& Chooser()
{
    static BackupCommands::PathChooser chooser;
    return chooser;
}

// About how many records a backup file holds (a record is at least this
// many bytes), to know whether its restore takes long enough to be shown.
DWORD RecordsIn(const QString& path)
{
    constexpr qint64 kSmallestRecord = 40;
    return static_cast<DWORD>(std::min<qint64>(QFileInfo(path).size() / kSmallestRecord, 0xFFFFFFFF));
}

bool ChoosePath(QWidget* owner, bool forBackup, QString& path)
{
    return Chooser() ? Chooser()(owner, forBackup, path) : BackupCommands::AskPath(owner, forBackup, path);
}

} // namespace

void BackupCommands::SetPathChooser(PathChooser chooser)
{
    Chooser() = std::move(chooser);
}

bool BackupCommands::AskPath(QWidget* owner, bool forBackup, QString& path)
{
    FileDialogOptions options;
    options.save = forBackup;
    options.title = forBackup ? QStringLiteral("Ozm Backup") : QStringLiteral("Ozm Restore");
    options.filters
        = { forBackup ? QStringLiteral("Kestrin Backup (*.ksk)") : QStringLiteral("Ozm Kestrin (*.ksk)") };
    options.suffixes = { QStringLiteral("ksk") };
    if (forBackup)
        options.initialName = QStringLiteral("Kestrin.ksk");
    int filter = 0;
    return AskForFile(owner, options, path, filter);
}

DWORD BackupCommands::Backup(DbKestrin& journal, QWidget* owner)
{
    const HWND window = ToHwnd(owner);
    if (journal.GetFilter().IsActive()) {
        ZString warning;
        warning.LoadString(kFilterActiveText);
        if (MessageBoxW(window, warning, kWindowTitle, MB_YESNO | MB_SETFOREGROUND) != IDYES)
            return 0;
    }
    QString path;
    if (!ChoosePath(owner, true, path))
        return 0;
    ZBackup backup(&journal, window);
    if (!ProgressWindow::Worth(journal.GetRowCount()))
        return backup.Backup(ZString::FromQString(path), nullptr);
    ProgressWindow shown(owner, QStringLiteral("Ozm Backup"), QStringLiteral("Backing up the journal..."));
    return backup.Backup(ZString::FromQString(path), &shown.Progress());
}

DWORD BackupCommands::Restore(DbKestrin& journal, QWidget* owner)
{
    QString path;
    if (!ChoosePath(owner, false, path))
        return 0;
    ZBackup backup(&journal, ToHwnd(owner));
    if (!ProgressWindow::Worth(RecordsIn(path)))
        return backup.Restore(ZString::FromQString(path), nullptr);
    ProgressWindow shown(owner, QStringLiteral("Ozm Restore"), QStringLiteral("Restoring the backup..."));
    return backup.Restore(ZString::FromQString(path), &shown.Progress());
}
