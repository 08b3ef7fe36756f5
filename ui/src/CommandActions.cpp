#include "CommandActions.h"

#include <QVariant>

namespace {

constexpr const char* kIdProperty = "commandId";

} // namespace

void TagCommand(QAction* action, UINT id, const QString& objectName, const QString& prefix)
{
    action->setProperty(kIdProperty, id);
    action->setObjectName(objectName.isEmpty() ? prefix + QString::number(id) : objectName);
}

UINT CommandId(const QAction* action)
{
    return action && !action->isSeparator() ? action->property(kIdProperty).toUInt() : 0;
}

QAction* FindCommand(const QList<QAction*>& actions, UINT id)
{
    for (QAction* action : actions)
        if (CommandId(action) == id)
            return action;
    return nullptr;
}

BOOL EnableCommand(QAction* action, BOOL enable)
{
    if (!action)
        return FALSE;
    action->setEnabled(enable != 0);
    return TRUE;
}

BOOL CheckCommand(QAction* action, BOOL checked)
{
    if (!action)
        return FALSE;
    action->setCheckable(true);
    action->setChecked(checked != 0);
    return TRUE;
}
