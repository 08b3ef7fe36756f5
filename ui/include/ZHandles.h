#pragma once
// Window handles inside the program. A window handle (HWND) that the program
// hands to a library (a message box owner, a database's notify target) is the
// address of its QWidget; these two functions are the only place that knows.
// FromHwnd checks that the widget still exists, so a stale handle, a null
// one or a handle of another module (the window tokens of WindowLink.h)
// gives null instead of a dangling pointer. UI thread only.

#include "WinTypes.h"

class QWidget;

HWND ToHwnd(QWidget* widget);
QWidget* FromHwnd(HWND window);
