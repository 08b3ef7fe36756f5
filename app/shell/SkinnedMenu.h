#pragma once
// The look of the program's own pop-up menus (the context menu, the Show
// and Sort menus): the skin's picture `picture` behind every item, its
// menu-text colour, its selected colour for the item under the pointer, a
// bold 13-pixel font, separators as lines in the text colour. Without a
// skin picture the menu keeps the system's look. UI thread only.

#include "Skin.h"

#include <QString>

class QMenu;

void DressMenu(QMenu& menu, const QString& picture, const Skin& skin);
