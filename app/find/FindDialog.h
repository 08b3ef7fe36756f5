#pragma once
// FindDialog: asks what to find ("Find"): search by Date, Subject or Entry
// (the note), from the Top or after the Current entry, Match case, and the
// day or the text, whose drop-down holds the last ten texts. While the user
// types, the number of matching entries of the whole journal is shown.
// Enter (OK) takes the choices into the request, writes the settings and the
// history and ends with 1; Esc ends with 0 and writes nothing but the
// choices already made. The count is taken in slices between the keys
// (MatchCounter): "at least N entries" shows until it is exact; a new text,
// a new choice or closing the dialog drops a count under way. Widgets are
// named findByDate, findBySubject, findByEntry, findFromTop,
// findFromCurrent, findMatchCase, findDate, findText, findCount and
// findCountSlice (the timer of the next slice). UI thread only.

#include "FindRequest.h"
#include "JournalFind.h"

#include <QDialog>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QTimer;

class FindDialog : public QDialog {
public:
    FindDialog(QWidget* parent, FindRequest& request, DbKestrin& journal, ZRegistry& settings);

    void accept() override;
    void done(int result) override;
    // How long one slice of the count may take (tests count in many slices
    // with 0: every slice still gets on by a few dozen index rows).
    void SetCountSlice(std::chrono::milliseconds slice) { slice_ = slice; }

private:
    void ShowSearchBy();
    void UpdateCount();
    // Counts one slice and shows the count; schedules the next slice.
    void CountOn();

    FindRequest& request_;
    DbKestrin& journal_;
    ZRegistry& settings_;
    QButtonGroup* by_;
    QButtonGroup* from_;
    QCheckBox* match_;
    QDateEdit* date_;
    QComboBox* text_;
    QLabel* count_;
    std::optional<MatchCounter> counter_;
    std::chrono::milliseconds slice_ = MatchCounter::kSlice;
    QTimer* nextSlice_;
};
