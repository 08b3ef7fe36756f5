#include "DialogPlacement.h"

#include <QWidget>

bool IsHandheldSized(const QWidget* owner)
{
    const QWidget* window = owner ? owner->window() : nullptr;
    return window && window->width() < kHandheldWidth;
}

bool CoverHandheldOwner(QWidget& dialog, const QWidget* owner)
{
    if (!IsHandheldSized(owner))
        return false;
    dialog.setGeometry(owner->window()->geometry());
    return true;
}
