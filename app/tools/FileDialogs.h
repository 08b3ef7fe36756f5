#pragma once
// The program's save and open file dialogs (backup, restore, export): a
// QFileDialog that starts in the user's documents folder, offers the given
// file types, adds the chosen type's extension to a name typed without one
// and, in a save dialog, asks before overwriting. On a handheld-sized
// screen the dialog takes the size of the window it belongs to.
//
// Tests do not show dialogs: each command that asks for a file has its own
// replaceable chooser built on these. UI thread only.

#include <QString>
#include <QStringList>

class QWidget;

struct FileDialogOptions {
    QString title;
    // One entry per file type: "Text Files (*.TXT *.txt)".
    QStringList filters;
    // The extension each type adds to a bare name (same order, no dot).
    QStringList suffixes;
    // Name proposed in a save dialog ("Kestrin.ksk"); may be empty.
    QString initialName;
    bool save = true;
};

// The folder the dialogs start in: the documents folder, else the home folder.
QString DocumentsFolder();

// Shows the dialog over `owner`. True with `path` (absolute) and
// `filterIndex` (the file type chosen, 0-based) set when the user chose a
// file; false when cancelled.
bool AskForFile(QWidget* owner, const FileDialogOptions& options, QString& path, int& filterIndex);
