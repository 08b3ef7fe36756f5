#pragma once
// The main window's Backup and Restore commands: each asks for the file in
// a file dialog ("Ozm Backup" / "Ozm Restore", backup files "*.ksk", starting
// in the documents folder) and hands it to ZBackup, which writes or reads
// the journal and tells the user the count (or what went wrong).
//
// Backup with an active filter first warns that only the entries passing it
// will be saved; anything but Yes ends the command. A large backup or
// restore shows its progress in a window (ProgressWindow).
//
// The file dialogs can be replaced (tests give the path themselves). The
// journal must be open. UI thread only.

#include "DbKestrin.h"

#include <QString>

#include <functional>

class QWidget;

class BackupCommands {
public:
    // Asks for the file of a backup (`forBackup`) or a restore; true with
    // `path` set when one was chosen.
    using PathChooser = std::function<bool(QWidget* owner, bool forBackup, QString& path)>;
    // Replaces the file dialogs; an empty function puts them back.
    static void SetPathChooser(PathChooser chooser);

    // The file dialog of a backup or a restore.
    static bool AskPath(QWidget* owner, bool forBackup, QString& path);

    // Backs the journal up (the entries passing the filter, after the
    // warning). Returns the number of entries written; 0 when declined,
    // cancelled or failed (failures were shown).
    static DWORD Backup(DbKestrin& journal, QWidget* owner);
    // Restores a backup into the journal. Returns the number of entries
    // restored; 0 when cancelled or nothing was restored.
    static DWORD Restore(DbKestrin& journal, QWidget* owner);
};
