#pragma once
// QuickView: the full-window, read-only page of one entry: the entry header
// across the top and the note below it ("Kestrin Entry"). A tap on a header
// field or on the note ends it with the field id the entry editor is to open
// at (102 Subject, 101 Date, 109 Duration, 104 Categories, 110 Contacts, 105
// Type, 107 Priority, 108 Sensitivity, 111 Company, 103 Note); OK or Esc end
// it with 1. UI thread only; the dialog exists while Run runs.

#include "DbKestrin.h"

class QWidget;

class QuickView {
public:
    static constexpr int kClosed = 1;

    // The editor field id of a header control id (0 for none).
    static int EditFieldOf(int control);

    // Shows entry `oid` over `parent`, its note at `noteZoom` percent (the
    // editor's saved zoom); returns kClosed or a field id. An entry that
    // cannot be read shows nothing and returns kClosed.
    static int Run(QWidget* parent, DbKestrin& journal, CEOID oid, int noteZoom);
};
