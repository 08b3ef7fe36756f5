#pragma once
// ExportDialog: the "Export..." command. It first asks for the file in a
// save dialog whose file type sets the format ("Comma Separated Values" or
// "Text Files"), then lets the user choose which entries (all, the selected
// ones, the ones passing the filter), which fields (comma-separated only:
// simple text writes every field) and whether a header line (or the field
// labels) is written. OK writes the file through the journal's export
// writer with a progress bar and reports "Exported %d record%s".
//
// A journal without entries only shows "No records to export!"; cancelling
// the save dialog ends the command. A file that cannot be written is
// reported, the previous file at that path is kept, and the dialog stays
// open with the user's choices and asks for another file.
//
// The journal and the selection are not owned and must outlive the dialog.
// UI thread only.

#include "DbKestrin.h"
#include "ExportWriter.h"
#include "SelectionList.h"
#include "ZCProgressBar.h"
#include "ZDialog.h"

#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QRadioButton;

class ExportDialog : public ZDialog {
public:
    enum : int {
        kFormatId = 1200,
        kAllId = 1201,
        kSelectedId = 1202,
        kFilteredId = 1203,
        kFieldsId = 1204,
        kHeaderId = 1205,
        kProgressId = 1206,
    };

    // The save dialog's answer.
    struct Target {
        QString path;
        ExportFormat format = ExportFormat::CommaSeparated;
    };
    // Asks for the file; true with `target` set when one was chosen.
    using FileChooser = std::function<bool(QWidget* owner, Target& target)>;
    // Replaces the save dialog (tests); an empty function puts it back.
    static void SetFileChooser(FileChooser chooser);
    // The save dialog: "Comma Separated Values" and "Text Files".
    static bool AskTarget(QWidget* owner, Target& target);

    // `scope`: the entries chosen when the dialog opens ("Export Selected"
    // starts on the selected ones); a choice that is not offered (nothing
    // selected, no filter) falls back to all.
    ExportDialog(DbKestrin& journal, SelectionList& selection, ExportScope scope = ExportScope::All);

    // Runs the command over `owner`. Returns 1 when the file was written, 0
    // when cancelled, -1 when the dialog did not open (no entries, no file
    // chosen).
    int Run(QWidget* owner);

    const Target& Chosen() const { return target_; }
    // Entries written by the last OK.
    DWORD Exported() const { return exported_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildItems();
    void OnFieldsChanged();
    void Export();
    // After a failed export: the dialog as it was, and a new file chosen.
    void ChooseAnotherFile();
    void ShowFormat();
    ExportScope Scope() const;

    DbKestrin& journal_;
    SelectionList& selection_;
    ExportWriter writer_;
    ZCProgressBar progress_;
    QWidget* owner_ = nullptr;
    Target target_;
    ExportScope initialScope_;
    DWORD exported_ = 0;
    QLabel* format_ = nullptr;
    QRadioButton* all_ = nullptr;
    QRadioButton* selected_ = nullptr;
    QRadioButton* filtered_ = nullptr;
    QListWidget* fields_ = nullptr;
    QCheckBox* header_ = nullptr;
};
