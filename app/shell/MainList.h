#pragma once
// MainList: the flat view of the journal — one line per entry shown (row n
// is the n-th entry, in the journal's order, that passes the filter), with
// the entry's date, the picture of its type and its subject. The list is
// virtual: only the lines on screen are read, through the row cache.
//
// It keeps the program's selection (SelectionList) in step with what the
// user selects: entries join the selection in the order they are selected,
// leave it when they are deselected, and the current line is the focused
// entry. It tells its owner window (as posted WM_COMMANDs):
//   1109, lParam 0          an entry was selected (update the preview)
//   1109, hi NM_CLICK code  a click with an entry focused (lParam: the list)
//   1109, lParam the list   Enter with an entry focused (open it for viewing)
//   312, hi NM_DBLCLK code  a double click (edit the focused entry)
//   1111, lParam the list   the Delete key with entries selected
// and it carries out "Delete Entry" (Cut) and "Create Copy" (Paste). Home
// and End (also with Ctrl) select the first and the last entry. An empty
// list shows a line on what to do.
//
// A right click (or a long press, see the owner) asks the owner for the
// context menu through the view's customContextMenuRequested signal.
//
// The journal, selection, settings store and owner are not owned and must
// outlive the list. The list's window (a QTableView named "mainList") is
// owned by the object. UI thread only.

#include "DbKestrin.h"
#include "MainListModel.h"
#include "RowCache.h"
#include "SelectionList.h"
#include "ZImageList.h"
#include "ZRegistry.h"
#include "ZWindow.h"

#include <QPointer>

class QItemSelection;
class QTableView;

class MainList : public ZWindow {
public:
    // Commands the list sends to its owner.
    static constexpr WORD kCmdPreview = 1109;
    static constexpr WORD kCmdEdit = 312;
    static constexpr WORD kCmdDelete = 1111;
    // The low 16 bits of the click and double-click notification codes.
    static constexpr WORD kClickCode = 0xFFFE;
    static constexpr WORD kDoubleClickCode = 0xFFFD;
    // Width of the date column on a handheld screen.
    static constexpr int kDateColumnWidth = 76;

    MainList(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, ZWindow* owner);
    ~MainList() override;

    // Makes the list's window, hidden, as a child of `parent`. 1 when made.
    BOOL CreateList(QWidget* parent);
    QTableView* View() const;
    MainListModel& Model() { return model_; }
    RowCache& Cache() { return cache_; }
    const ZImageList& Images() const { return images_; }

    // Rebuilds the list from the journal and selects again the entries of
    // the selection that are still shown (the others leave the selection,
    // so no command acts on an entry the user cannot see), then the
    // focused one.
    void Refresh();
    // Selects and focuses the line of entry `oid` and scrolls it into view;
    // the entry joins the selection and becomes the focused one. When the
    // entry is not shown (or `oid` is 0), no line stays selected and the
    // selection is emptied.
    void SelectItem(CEOID oid);
    // The current line when it is selected: its row (oid through `oid`, when
    // given), else -1 (and 0).
    int GetSelItem(CEOID* oid) const;
    // Line `index` leaves the list without a rebuild. 1 when it existed.
    BOOL DeleteItem(int index);
    // Line `index` shows entry `oid`, which changed: its cached row is read
    // again and the line redrawn.
    void UpdateItem(int index, CEOID oid);
    // Deletes the selected entries, after asking (DeleteQuestion) when the
    // "Confirm Deletes" setting is on. 1 when an entry was deleted; nothing
    // is asked or done without a selection.
    BOOL Cut();
    // "Delete?" for one entry; for several, how many ("Delete 3 entries?").
    static ZString DeleteQuestion(int count);
    // Writes a copy of each selected entry (every field and its flags) as a
    // new entry, then rebuilds. Returns 0.
    BOOL Paste();
    // Empties the selection; no entry is focused.
    void ClearOidList();
    // Selects the line of every entry of the selection.
    void SelectAllItems();
    // Redraws the lines on screen.
    void ReDrawPage();
    // The line under `point` (viewport coordinates) becomes the focused
    // one; a line outside the selection also becomes the only selected one.
    // Returns its row, or -1 when there is no line there.
    int SelectAt(const QPoint& point);
    // The line an empty list shows: what to do, or that the filter hides
    // every entry.
    QString EmptyHint() const;
    // 1 after SelectItem selected an entry, until the selection is cleared
    // or a command ends.
    bool HasSelection() const { return hasSelection_; }

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    class View;
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnCurrentChanged(const QModelIndex& current);
    void OnActivated(bool doubleClick);
    void OnEnter();
    void OnPaint();
    void Post(WORD command, WORD code, LPARAM lParam);
    LPARAM ListParam() const;
    CEOID OidAt(int row);

    DbKestrin& journal_;
    SelectionList& selection_;
    ZRegistry& settings_;
    ZWindow* owner_;
    RowCache cache_;
    MainListModel model_;
    ZImageList images_;
    bool hasSelection_ = false;
    // Set while the list itself puts a selection back: the program's
    // selection already holds it.
    bool restoring_ = false;
};
