#pragma once
// ZCProgressBar: the progress bar the program hands to long operations of the
// data library (ZCProgress, see ZCProgress.h) on a QProgressBar. The window
// is created with Create (owned) or attached to a progress bar of a dialog.
// Each operation changes the bar and returns what the control answers.
// UI thread only.

#include "ZCProgress.h"
#include "ZWindow.h"

class QProgressBar;

class ZCProgressBar : public ZWindow, public ZCProgress {
public:
    QProgressBar* Bar() const;

    DWORD SetRange32(int low, int high) override;
    int GetRange(BOOL whichLow, PBRANGE* range) override;
    int SetPos(int position) override;
    int GetPos() override;
    int DeltaPos(int increment) override;
    int SetStep(int step) override;
    int StepIt() override;

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    int step_ = 10;
};
