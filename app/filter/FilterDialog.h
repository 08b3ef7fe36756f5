#pragma once
// FilterDialog: "Kestrin Filter...", where the user limits the journal to a
// date range or to chosen months, optionally together with chosen
// categories, or to chosen categories alone ("Categories Only"). It edits a
// working copy of the journal's filter; OK puts the copy in force (the
// filter becomes active unless "Clear" was the last change) and posts the
// save command 1113 to its owner window, so the filter is still there at the
// next start. Cancel leaves the journal's filter as it was.
//
// A date range runs from 00:00:00 of its first day to 23:59:59 of its last,
// so entries at midnight (all-day items) are inside it. Choosing a start
// after the end moves the end's date to the start's day (its time stays
// 23:59:59).
//
// The categories list shows the visible categories of the shared
// categories database in name order, checked when the filter holds them; it
// is filled again when the database changes. Check marks set by a fill never
// change the filter; only the user's own clicks do.
//
// Items (ids and object names): "On Date Range" 1047 filterRange, "On
// Month(s)" 1048 filterMonths, "Start:" 1034 filterStart, "End:" 1038
// filterEnd, the months list 1042 filterMonthList, the categories list 1040
// filterCategoryList, "Categories Only" 1052 filterCategoriesOnly, the status
// text 1053 filterStatus, "Clear" 1107 filterClear.
//
// The journal and the owner are not owned and must outlive the dialog; the
// dialog owns its working filter and its connection to the categories
// database. UI thread only.

#include "DbCats.h"
#include "DbKestrin.h"
#include "DbNotifyTarget.h"
#include "ZDialog.h"
#include "ZFilter.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QRadioButton;

class FilterDialog : public ZDialog, public DbNotifyTarget {
public:
    enum : int {
        kStartId = 1034,
        kEndId = 1038,
        kCategoriesId = 1040,
        kMonthsId = 1042,
        kRangeId = 1047,
        kMonthRadioId = 1048,
        kCategoriesOnlyId = 1052,
        kStatusId = 1053,
        kClearId = 1107,
    };
    static constexpr WORD kCmdSaveFilter = 1113;

    FilterDialog(DbKestrin& journal, ZWindow* owner);
    ~FilterDialog() override;

    // Runs the dialog over `parent`: 1 after OK, 0 after Cancel, -1 when it
    // could not open (the categories database cannot be opened).
    int Run(QWidget* parent);

    // The working filter, as the dialog's items have set it so far.
    const ZFilter& Working() const { return working_; }
    // Fills the categories list again from the database (as a change
    // notification does); the working filter is not touched.
    void RefillCategories();

    // The first and last moment of a range over the days of `start` and `end`.
    static ZTime DayStart(const ZTime& day);
    static ZTime DayEnd(const ZTime& day);

    // DbNotifyTarget: a category was added, removed or changed.
    void OnDbNotify(UINT code, CEOID oid) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildItems();
    void FillMonths();
    void OnRangeClicked();
    void OnMonthsClicked();
    void OnCategoriesOnlyClicked();
    void OnStartChanged();
    void OnEndChanged();
    void OnMonthChanged(QListWidgetItem* item);
    void OnCategoryChanged(QListWidgetItem* item);
    void OnClear();
    void OnOk();
    void EnableDateItems();
    void UpdateStatus();
    void ShowDates();

    DbKestrin& journal_;
    ZWindow* owner_;
    ZFilter working_;
    DbCats categories_;
    bool changed_ = false;
    // Set while the dialog itself sets check marks or dates: the handlers
    // of the user's changes then leave the working filter alone.
    bool filling_ = true;

    QRadioButton* range_ = nullptr;
    QRadioButton* months_ = nullptr;
    QDateEdit* start_ = nullptr;
    QDateEdit* end_ = nullptr;
    QListWidget* monthList_ = nullptr;
    QListWidget* categoryList_ = nullptr;
    QCheckBox* categoriesOnly_ = nullptr;
    QLabel* status_ = nullptr;
};
