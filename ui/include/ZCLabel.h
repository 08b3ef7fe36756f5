#pragma once
// ZCLabel: a line of text on a QLabel; also the status line the program hands
// to long operations of the data library (ZCStatic, see ZCStatic.h), so its
// Update repaints at once while the operation keeps the thread busy.
// UI thread only.

#include "ZCStatic.h"
#include "ZWindow.h"

class QLabel;

class ZCLabel : public ZWindow, public ZCStatic {
public:
    QLabel* Label() const;

    BOOL SetText(LPCWSTR text) override;
    using ZWindow::SetText;
    void Update() override;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
};
