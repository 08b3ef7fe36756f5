#pragma once
// OptionsDialog: the program's options as a two-column list, option names on
// the left and current values on the right. A tap on a value edits it: a
// Yes/No or date-format row opens a drop-down list over the value, an action
// row runs its screen (password, quick subjects, categories, skin,
// maintenance, and the folders of the address book, calendar and task list),
// and OK writes the changed list values ("Confirm Deletes", "Preview Pane",
// "Date Format"). Action rows write what they change themselves, at once;
// the chosen skin is handed to the program at once through the skin hook.
//
// OK is the only way out (Escape and the close button end the dialog the
// same way): the actions have written their part already. Run returns
// whether anything changed; the main window then applies the preview pane
// and the date format.
//
// The dialog refers to the settings store, the program's skin and journal;
// it owns its rows and controls. UI thread only.

#include "Skin.h"
#include "WinTypes.h"
#include "ZDialog.h"
#include "ZRegistry.h"

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTableWidget>

#include <functional>
#include <vector>

class DbKestrin;

class OptionsDialog : public ZDialog {
public:
    enum : int { kListId = 1022 };
    // What a tap on a row's value does.
    enum class RowKind {
        Action = 2, // runs the row's screen
        List = 7, // a drop-down list of choices
        Password = 9, // sets or clears the password
    };
    enum Row : int {
        kPasswordRow,
        kConfirmDeletesRow,
        kPreviewPaneRow,
        kSubjectsRow,
        kCategoriesRow,
        kSkinRow,
        kDateFormatRow,
        kMaintenanceRow,
        kContactsFolderRow,
        kCalendarFolderRow,
        kTasksFolderRow,
        kRowCount,
    };

    // Asks for a folder: title and the current folder; empty when cancelled.
    using FolderChooser
        = std::function<QString(QWidget* owner, const QString& title, const QString& current)>;
    // Called after the skin chooser put a new skin in force.
    using SkinApplied = std::function<void()>;

    OptionsDialog(ZRegistry& store, Skin& programSkin, DbKestrin& journal);

    // Replaces the folder dialog (tests); an empty function puts it back.
    static void SetFolderChooser(FolderChooser chooser);
    void SetSkinApplied(SkinApplied applied) { skinApplied_ = std::move(applied); }

    // Runs the dialog over `owner`; returns whether anything changed.
    int Run(QWidget* owner);

    bool Changed() const { return changed_; }
    QTableWidget* Table() const { return table_.data(); }
    // The value shown for `row`, and the value a list row holds (0/1 for
    // Yes/No, the format id for "Date Format").
    QString ValueText(int row) const;
    int ListValue(int row) const;
    // What a tap on the value of `row` does.
    void TapValue(int row);
    // The drop-down list open over a value, or null.
    QComboBox* OpenEditor() const { return editor_.data(); }
    // Takes the open drop-down list's choice into its row and closes it.
    void TakeEditorValue();

    // Today's date in each of the nine date formats, in id order.
    static QStringList DateFormatChoices();

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct RowState {
        QString label;
        RowKind kind;
        QString text;
        int value = 0; // list rows only
        QStringList items; // list rows only
    };

    void BuildRows();
    void ShowRow(int row);
    void OpenList(int row);
    void RunAction(int row);
    void ChangePassword();
    void ChooseFolder(int row);
    void Finish();

    ZRegistry& store_;
    Skin& programSkin_;
    DbKestrin& journal_;
    QWidget* owner_ = nullptr;
    // Guarded: a row's screen may outlive the dialog when the program is
    // closed from outside while it runs.
    QPointer<QTableWidget> table_;
    QPointer<QComboBox> editor_;
    int editRow_ = -1;
    bool changed_ = false;
    std::vector<RowState> rows_;
    SkinApplied skinApplied_;
};
