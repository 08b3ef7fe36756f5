#pragma once
// Actions that stand for numbered commands (menu items, tool-bar buttons):
// the id is kept on the action, and the operations by id live here once.

#include "WinTypes.h"

#include <QAction>
#include <QList>
#include <QString>

// Gives `action` command `id` and an object name ("<prefix><id>" unless
// `objectName` is given).
void TagCommand(QAction* action, UINT id, const QString& objectName, const QString& prefix);
// The command id of `action`; 0 for null, separators and untagged actions.
UINT CommandId(const QAction* action);
// The first action of `actions` with command `id`, or null.
QAction* FindCommand(const QList<QAction*>& actions, UINT id);
// Enable/check an action found by FindCommand; 0 when it is null.
BOOL EnableCommand(QAction* action, BOOL enable);
BOOL CheckCommand(QAction* action, BOOL checked);
