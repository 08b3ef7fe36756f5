#include "BackupCommands.h"

#include "FileDialogs.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZHandles.h"
#include "ZString.h"

namespace {

constexpr UINT kFilterActiveText = 40040;

BackupCommands::PathChooser& Chooser()
{
    static BackupCommands::PathChooser chooser;
    return chooser;
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
    return backup.Backup(ZString::FromQString(path), nullptr);
}

DWORD BackupCommands::Restore(DbKestrin& journal, QWidget* owner)
{
    QString path;
    if (!ChoosePath(owner, false, path))
        return 0;
    ZBackup backup(&journal, ToHwnd(owner));
    return backup.Restore(ZString::FromQString(path), nullptr);
}
