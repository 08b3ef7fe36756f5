#pragma once
// FindDialog: asks what to find ("Find"): search by Date, Subject or Entry
// (the note), from the Top or after the Current entry, Match case, and the
// day or the text, whose drop-down holds the last ten texts. While the user
// types, the number of matching entries of the whole journal is shown.
// Enter (OK) takes the choices into the request, writes the settings and the
// history and ends with 1; Esc ends with 0 and writes nothing but the
// choices already made. Widgets are named findByDate, findBySubject,
// findByEntry, findFromTop, findFromCurrent, findMatchCase, findDate,
// findText and findCount. UI thread only.

#include "FindRequest.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;

class FindDialog : public QDialog {
public:
    FindDialog(QWidget* parent, FindRequest& request, DbKestrin& journal, ZRegistry& settings);

    void accept() override;

private:
    void ShowSearchBy();
    void UpdateCount();

    FindRequest& request_;
    DbKestrin& journal_;
    ZRegistry& settings_;
    QButtonGroup* by_;
    QButtonGroup* from_;
    QCheckBox* match_;
    QDateEdit* date_;
    QComboBox* text_;
    QLabel* count_;
};
