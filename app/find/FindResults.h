#pragma once
// FindResults: runs the search of a FindRequest and lists what it found
// ("Found..."): " Found: n" above a list of the entries' dates and subjects
// in the journal's order. With no match it says "No Records Found!" and
// shows no list. A click on a line opens the quick view of that entry; a
// field tapped there, or a double click on the line, asks the owner to open
// the entry editor (at that field), after which the search runs again and
// the list is filled anew. The quick view shows notes at the editor's saved
// zoom, given as noteZoom. Widgets: foundCount, findResultList. UI thread.

#include "FindRequest.h"
#include "SelectionList.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTreeWidget;

class FindResults : public QDialog {
public:
    // edit(field): open the editor on the selection's focused entry at that
    // field (0: the first page).
    using EditEntry = std::function<void(DWORD field)>;

    FindResults(QWidget* parent, FindRequest& request, DbKestrin& journal, SelectionList& selection,
        EditEntry edit, int noteZoom);

    // Searches; false (after the message) when nothing matched.
    bool Search();
    // Runs the dialog after a search found something; returns 1.
    static int Run(QWidget* parent, FindRequest& request, DbKestrin& journal, SelectionList& selection,
        EditEntry edit, int noteZoom);

private:
    void Fill();
    void Open(CEOID oid, bool edit);

    FindRequest& request_;
    DbKestrin& journal_;
    SelectionList& selection_;
    EditEntry edit_;
    int noteZoom_;
    CEOID start_ = 0;
    QLabel* count_;
    QTreeWidget* list_;
};
