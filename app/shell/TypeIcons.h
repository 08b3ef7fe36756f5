#pragma once
// The pictures of the entry types (Conversation, Document, E-mail message,
// Fax, Letter, Meeting, Note, Phone call, Task, Appointment, Contact), drawn
// by the program so that they look the same under every icon theme. Image n
// of the list is the picture of entry type n. UI thread only (QPixmap).

#include "ZImageList.h"

// The side of one picture in pixels.
inline constexpr int kTypeIconSize = 16;

// Empties `images` and fills it with one picture per entry type, in type
// order. Returns the number of pictures (the number of entry types).
int MakeTypeIcons(ZImageList& images);
