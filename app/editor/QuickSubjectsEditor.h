#pragma once
// QuickSubjectsEditor: "Kestrin Subjects...", where the user adds and deletes
// the quick subjects that the entry editor offers for the Subject field.
// They are the settings "scount" and "subj0" ... "subj<scount-1>" of
// "Options" (Settings): Add writes the typed text (trailing blanks kept) as
// the next subject; Delete (after "Delete?" when "ConfirmDelete" is on)
// removes the first subject equal to the selected text, moving the later
// ones down, and empties the last one. The list is read again from the
// settings after every change; nothing else is written when the page ends.
//
// A text field with Add and Delete in the top line and the list below.
// The settings store is not owned. UI thread only.

#include "ZDialog.h"
#include "ZRegistry.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class QuickSubjectsEditor : public ZDialog {
public:
    enum : int {
        kListId = 1006,
    };

    explicit QuickSubjectsEditor(ZRegistry& settings);

    // Runs the page over `parent`; returns 1 when it ended with OK.
    int Open(QWidget* parent);

    // The operations behind the page.
    BOOL LoadList();
    void AddSubject();
    void DeleteSubject();

protected:
    BOOL OnInitDialog() override;

private:
    ZRegistry& settings_;
    QLineEdit* field_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* delete_ = nullptr;
};
