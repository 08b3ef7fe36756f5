#pragma once
// MaintenanceDialog: the size of the journal and its integrity check. Four
// figures ("Records", "Contact Links", "Category Links", "Database Size
// (Bytes)"), each written in full (a journal of 100,000 records shows
// 100,000, not what is left of it in 16 bits), and the "Integrity Check"
// button, which runs the journal's check with the dialog's progress bar and
// status line and then reads the figures again. OK ends it with 1.
//
// The dialog refers to the program's journal; it owns its controls. UI
// thread only.

#include "JournalTools.h"
#include "ZCLabel.h"
#include "ZCProgressBar.h"
#include "ZDialog.h"

class DbKestrin;
class QLabel;

class MaintenanceDialog : public ZDialog {
public:
    enum : int {
        kRecordsId = 1153,
        kContactLinksId = 1155,
        kSizeId = 1156,
        kCategoryLinksId = 1157,
        kCheckId = 1158,
        kProgressId = 1161,
        kStatusId = 1162,
    };

    explicit MaintenanceDialog(DbKestrin& journal);

    // Runs the dialog over `owner`; 1 when closed.
    int Run(QWidget* owner);

    // Reads the figures again and shows them.
    void FillValues();
    // The integrity check, then the figures again.
    void RunIntegrityCheck();
    // The text a figure is shown with.
    static QString FigureText(DWORD value);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    QLabel* AddFigure(class QGridLayout* grid, int row, const QString& label, int id, const char* name);

    DbKestrin& journal_;
    QWidget* owner_ = nullptr;
    ZCProgressBar progress_;
    ZCLabel status_;
};
