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
// The page's one control is an add/delete list (child 1006, a field with Add
// and Delete, the subjects below) whose Add and Delete are the operations
// here. The settings store is not owned. UI thread only.

#include "ZCAddDeleteList.h"
#include "ZDialog.h"
#include "ZRegistry.h"

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
    // The add/delete list with this page's Add and Delete.
    class SubjectList : public ZCAddDeleteList {
    public:
        explicit SubjectList(QuickSubjectsEditor& owner)
            : owner_(owner)
        {
        }

    protected:
        void OnAdd(WORD) override { owner_.AddSubject(); }
        void OnDelete(WORD) override { owner_.DeleteSubject(); }

    private:
        QuickSubjectsEditor& owner_;
    };

    ZRegistry& settings_;
    SubjectList list_ { *this };
};
