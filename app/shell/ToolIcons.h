#pragma once
// The pictures of the main window's tool bar buttons (Find, Filter, the
// preview pane switch, Up, Down): the desktop icon theme's icon when the
// theme has one, else a simple picture drawn by the program. UI thread only.

#include <QIcon>

enum class ToolIcon { Find, Filter, PreviewPane, Up, Down };

QIcon MakeToolIcon(ToolIcon which);
