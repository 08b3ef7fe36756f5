#pragma once
// Shows an entry's note, read-only, as it was written: the rich text of a
// current note (its plain text when it has none), the text of an older RTF or
// plain note, with its handwriting drawn over the text (NoteInk). Plain
// function; UI thread.

#include "CeDbTypes.h"

class QTextEdit;

// Replaces the pane's contents with the note (null or empty: an empty text)
// and its strokes at `zoomPercent` (the editor's saved zoom, clamped as the
// editor clamps it: text and strokes grow alike), and puts the cursor at the
// start. Complex scripts are shaped; Latin text is laid out without kerning
// or ligatures, so a long note shows at once.
void ShowNote(QTextEdit& pane, const CEBLOB* note, int zoomPercent);
