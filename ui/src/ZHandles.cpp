#include "ZHandles.h"

#include <QApplication>
#include <QWidget>

HWND ToHwnd(QWidget* widget)
{
    return reinterpret_cast<HWND>(widget);
}

QWidget* FromHwnd(HWND window)
{
    if (!window || !qApp)
        return nullptr;
    auto* wanted = reinterpret_cast<QWidget*>(window);
    // Compared by address only: nothing is dereferenced until it is known to be live.
    for (QWidget* widget : QApplication::allWidgets())
        if (widget == wanted)
            return widget;
    return nullptr;
}
