#pragma once
// EntryEditor: the one screen where a journal entry is created or changed
// ("Kestrin Entry"). Two pages, chosen by the tabs "Entry" and "Note" at the
// bottom: the entry's fields as a property list whose values are edited in
// place (a text box, a drop-down, a calendar or a time box over the tapped
// value; the Categories, Contacts and Attachment rows open their pickers),
// and the note (ZCInkNote: rich text and handwriting). A stopwatch adds a
// minute to the Duration every minute while it runs.
//
// The request is the program's selection: its focused entry is the entry to
// edit (0: a new one) and its edit field, when not 0 or 0xFFFFFFFF, the
// property id of the field to start editing (the Note's id opens the Note
// page). The editor sets the edit field back to 0 once open and, after a
// save, makes the saved entry the focused one.
//
// Any edit sets the changed flag (the title then ends in "*"). OK first
// commits the field being edited, then, when something changed, saves the
// entry with SaveEntry: old references out, entry written, new references
// in, flags set, all in one transaction. A failed save leaves the journal
// as it was, says so and keeps the editor open with the edits. Closing with
// unsaved changes asks whether to save them. Ctrl+Enter is OK.
//
// Values outside the Type, Priority and Sensitivity tables are shown as
// "Note", "Normal" and "Normal" and stay stored as they are unless the user
// changes the field; a new entry starts with those defaults stored.
//
// With a PIM data block set (an address-book contact, appointment or task
// carried in), the editor opens a new entry pre-filled from it: type, date
// and company, the subject unless the item is a contact, and the contact
// linked; the entry counts as changed, so OK writes it even without edits.
//
// The journal, settings store and request are not owned and must outlive
// the editor. UI thread only.

#include "DbKestrin.h"
#include "SelectionList.h"
#include "StopwatchTimer.h"
#include "ZCInkNote.h"
#include "ZCPropertyList.h"
#include "ZCToolbar.h"
#include "ZDialog.h"
#include "ZJITEMS.h"
#include "ZRegistry.h"

#include <QPointer>

#include <memory>

struct PimDataBlock;
class QComboBox;
class QStackedWidget;
class QTabBar;

class EntryEditor : public ZDialog {
public:
    enum : int {
        kTabsId = 1000,
        kListId = 1022,
        kNoteId = 1024,
    };
    enum : WORD {
        CMD_SELECT_ALL = 314,
        CMD_REDO = 320,
        CMD_UNDO = 321,
        CMD_CUT = 319,
        CMD_COPY = 322,
        CMD_PASTE = 323,
        CMD_ZOOM_75 = 1102, // ... CMD_ZOOM_75 + 4: 300 %
        CMD_STOPWATCH = 1120,
        CMD_TIME_STAMP = 1121,
        CMD_DATE_STAMP = 1137,
        // Commands of the Note page that have no number of their own.
        CMD_BOLD = 1160,
        CMD_ITALIC,
        CMD_UNDERLINE,
        CMD_LIST,
        CMD_TEXT_MODE,
        CMD_PEN_MODE,
        CMD_ERASER_MODE,
        CMD_SIZE_SMALL, // ... CMD_SIZE_SMALL + 4: largest
    };
    static constexpr int kEntryPage = 0;
    static constexpr int kNotePage = 1;
    static constexpr int kNoteRow = 10;
    static constexpr int kZooms[5] = { 75, 100, 150, 200, 300 };

    EntryEditor(DbKestrin& journal, ZRegistry& settings, SelectionList& request);
    ~EntryEditor() override;

    // Runs the editor modally over `parent`. Returns 1 when the entry was
    // saved, 0 when nothing was written, -1 when it could not open.
    int Open(QWidget* parent);

    // The item to pre-fill a new entry from (not owned; must outlive Open);
    // null edits the request's focused entry.
    void SetPimData(const PimDataBlock* block) { pim_ = block; }
    // The stopwatch's clock; set before the editor opens.
    void SetStopwatchTimer(std::unique_ptr<StopwatchTimer> timer) { stopwatch_ = std::move(timer); }
    // The zoom menu item (0..4) that marks `percent`: 75, 100, 150, 200,
    // 300 give 0..4; anything else 0.
    static int ZoomItem(int percent);

    ZJITEMS& Items() { return items_; }
    CEOID Oid() const { return oid_; }
    bool IsChanged() const { return changed_; }
    int CurrentPage() const;
    ZCPropertyList& List() { return list_; }
    ZCInkNote& Note() { return note_; }
    // The row of a field (-1 when it has none).
    int RowOf(DWORD field) const;
    // The in-place control over a value, or null.
    QWidget* InPlaceControl() const { return inPlace_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum class DatePart { Day, Time };

    void BuildLayout();
    void BuildEntryBar();
    void BuildNoteBar();
    QAction* AddMenuCommand(QMenu& menu, WORD id, const QString& text, const QString& name);
    void LoadEntry();
    void LoadNote();
    // Stores the PIM data block's values into the new entry's fields.
    void FillFromPimData();
    void StartAtField(DWORD field);

    // The value cell of a field as shown.
    QString CellText(const DbJItem& item) const;
    void RefreshRow(const DbJItem& item);
    void RefreshRows();
    DbJItem* ItemAtRow(int row) const;

    void OnTap(int row, int x);
    void OpenField(DbJItem& item, int x);
    void OpenText(DbJItem& item);
    void OpenCombo(DbJItem& item);
    void FillCombo(QComboBox& box, const DbJItem& item);
    void FillSubjects(QComboBox& box);
    void OpenDate(DbJItem& item, DatePart part);
    void OpenPicker(DbJItem& item);
    void OnComboChosen(int index);
    void EditQuickSubjects(QComboBox& box);
    // Stores the value of the open in-place control and closes it.
    void CommitField();
    void CloseField();
    void StoreText(DbJItem& item, QString text);
    void StoreChoice(DbJItem& item, int index);
    void StoreDuration(DbJItem& item, const QString& text);

    void ShowPage(int page);
    // Stores the note into its field when it changed since the last time.
    void StoreNote();
    void MarkChanged();
    void UpdateTitle();
    void ToggleStopwatch();
    void OnStopwatchTick();
    void SetZoom(int percent);
    void InsertStamp(bool date);
    void OnOk();
    void OnCancel();
    void OnNoteCommand(WORD id);

    DbKestrin& journal_;
    ZRegistry& settings_;
    SelectionList& request_;
    ZJITEMS items_;
    CEOID oid_ = 0;
    const PimDataBlock* pim_ = nullptr;
    bool changed_ = false;
    DbJItem* current_ = nullptr;
    QPointer<QWidget> inPlace_;
    DatePart datePart_ = DatePart::Day;
    // The note changed since it was last stored into its field.
    bool noteDirty_ = false;

    ZCPropertyList list_;
    ZCInkNote note_;
    ZCToolbar entryBar_;
    ZCToolbar noteBar_;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QList<QAction*> zoomActions_;
    std::unique_ptr<StopwatchTimer> stopwatch_;
};
