#pragma once
// EntryTree: the grouped view of the journal, shown instead of the list
// while the journal is sorted by a grouping field (the setting "SortType":
// type, priority, sensitivity, company, categories or contacts). The top
// level holds one bold group per value that an entry passing the filter has
// ("None" first, then by name ignoring case); a group, when opened, lists
// its entries as "date padded to 10 characters, a blank, the subject" with
// the picture of the entry's type, ordered by date in the journal's
// direction. Groups are filled when opened and emptied when closed, so the
// tree holds only the entries of the groups the user has open.
//
// Like the list, it keeps the program's selection in step (one entry at a
// time: the current entry is the focused one and the only one selected) and
// tells its owner window, as posted WM_COMMANDs:
//   1109, lParam 0           the current item changed (update the preview)
//   1109, hi click code      a click (lParam: the tree's window)
//   1109, lParam the tree    Enter with an entry focused (open it for viewing)
//   312, hi double-click     a double click on an entry (edit it)
// It carries out "Delete Entry" (DeleteSelected) and "Create Copy"
// (CopySelected) for the tree. The usual tree keys work: arrows, + and -
// open and close a group, Enter on a group opens or closes it.
//
// A right click (or long press, see the owner) asks for the context menu
// through the view's customContextMenuRequested signal.
//
// The journal, selection, settings store and owner are not owned and must
// outlive the tree; the tree's window (a QTreeWidget named "entryTree") is
// owned by the object. UI thread only.

#include "DbKestrin.h"
#include "SelectionList.h"
#include "ZImageList.h"
#include "ZRegistry.h"
#include "ZWindow.h"

class QTreeWidget;
class QTreeWidgetItem;

class EntryTree : public ZWindow {
public:
    // The columns of an entry's date text.
    static constexpr int kDateChars = 10;

    EntryTree(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, ZWindow* owner);
    ~EntryTree() override;

    // Makes the tree's window, hidden, as a child of `parent`. 1 when made.
    BOOL CreateTree(QWidget* parent);
    QTreeWidget* View() const;

    // Rebuilds the top level from the journal: every group closed. Reads
    // "SortType" and the date format anew.
    void Fill();
    // The grouping field of the last Fill.
    DWORD GroupField() const { return groupField_; }
    // The item of entry `oid`, opening the group that holds it (the first
    // one, for an entry in several); null when no group holds it or oid is 0.
    QTreeWidgetItem* FindEntry(CEOID oid);
    // FindEntry, then makes that item the current one (and the selection).
    // False (nothing selected) when the entry is not in the tree.
    bool SelectEntry(CEOID oid);
    // Makes the group of that name current; false when there is none.
    bool SelectGroup(const QString& name);
    // The name of the current item when it is a group, else empty.
    QString SelectedGroupName() const;
    // Reads the item's entry again and shows its date, subject and picture.
    void UpdateEntryItem(QTreeWidgetItem* item);
    // Orders a group's entries by date, in the journal's direction.
    void SortChildren(QTreeWidgetItem* group);
    // SortChildren on every open group (after the direction changed).
    void SortOpenGroups();
    // "Delete Entry": after asking "Delete?" when "Confirm Deletes" is on,
    // deletes the selected entries, refills, and selects the entry that was
    // next to the deleted one in its group. 1 when anything was deleted.
    BOOL DeleteSelected();
    // "Create Copy": writes a copy of each selected entry (every field and
    // its flags), then fills the selected item's group again.
    void CopySelected();
    // No entry focused, the selection empty.
    void ClearSelection();
    // The item under `point` (viewport coordinates) becomes the current one
    // and, when it is an entry, the focused entry and the only one selected.
    // Returns whether an item was there.
    bool SelectAt(const QPoint& point);

    // Item kinds and contents.
    static bool IsGroup(const QTreeWidgetItem* item);
    // The entry's OID; 0 for a group or null.
    static CEOID EntryOid(const QTreeWidgetItem* item);
    // An entry line: the date text padded on the right to kDateChars
    // characters, a blank, the subject.
    static QString EntryText(const QString& dateText, const QString& subject);

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    class View;
    void OpenGroup(QTreeWidgetItem* group);
    void CloseGroup(QTreeWidgetItem* group);
    // Closes and opens the group again: its entries are read anew.
    void ReopenGroup(QTreeWidgetItem* group);
    QTreeWidgetItem* GroupNamed(const QString& name) const;
    QTreeWidgetItem* MakeEntryItem(CEOID oid, ULONGLONG date, SHORT type, const std::u16string& subject);
    void SetEntryItem(QTreeWidgetItem* item, ULONGLONG date, SHORT type, const std::u16string& subject);
    bool Descending();
    void OnCurrentChanged(QTreeWidgetItem* current);
    void OnClicked(QTreeWidgetItem* item);
    void OnDoubleClicked(QTreeWidgetItem* item);
    void OnEnter();
    void Post(WORD command, WORD code, LPARAM lParam);
    LPARAM TreeParam() const;
    // Sets the current item without the selection-change handling.
    void SetCurrentQuietly(QTreeWidgetItem* item);

    DbKestrin& journal_;
    SelectionList& selection_;
    ZRegistry& settings_;
    ZWindow* owner_;
    ZImageList images_;
    DWORD groupField_ = 0;
    ZString datePattern_;
    CEOID lastFocused_ = 0;
    // Set while the tree itself changes its items or current item.
    bool quiet_ = false;
};
