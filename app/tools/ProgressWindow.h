#pragma once
// ProgressWindow: a small window over its owner for work the program does on
// the UI thread that takes seconds (a large restore or backup, building the
// search index): a line saying what goes on and a progress bar that the work
// moves, as the ZCProgress it is handed. The window is shown and drawn when
// the object is made and goes with it; the bar repaints itself as it moves.
// Nothing else is handled meanwhile. Work that is quick enough shows no
// window at all (see Worth). UI thread only.

#include "ZCProgressBar.h"

#include <QDialog>
#include <QString>

class ProgressWindow {
public:
    // Work on fewer records than this ends before a window would be seen.
    static constexpr DWORD kQuietRecords = 2000;
    static bool Worth(DWORD records) { return records > kQuietRecords; }

    ProgressWindow(QWidget* owner, const QString& title, const QString& text);
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    ZCProgress& Progress() { return bar_; }

private:
    static constexpr int kLongestWaitMs = 500;
    static constexpr int kWaitStepMs = 10;

    bool IsShown() const;

    QDialog window_;
    ZCProgressBar bar_; // a child of the window: goes first, then the window

};
