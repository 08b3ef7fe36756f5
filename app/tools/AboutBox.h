#pragma once
// AboutBox: the "About" command's dialog — the program's name and icon, its
// version, the system it runs on and the toolkit it was built with, and an
// OK button. Owns nothing beyond its window. UI thread only.

#include "ZDialog.h"

#include <QString>

class AboutBox : public ZDialog {
public:
    // Shows the box over `owner` until OK; returns 1.
    int Run(QWidget* owner);
    // The text the box shows.
    static QString Text();

protected:
    BOOL OnInitDialog() override;
};
