#pragma once
// The objects that live for the program's whole run, made in this order and
// destroyed in the reverse order: the application object (the settings
// store, which owns the main window), the selection, the journal and the
// skin. The program makes one ProgramObjects after its QApplication; the
// accessors below reach it from anywhere on the UI thread and must not be
// called when none exists (tests make their own).

#include "DbKestrin.h"
#include "JournalApp.h"
#include "SelectionList.h"
#include "Skin.h"

class ProgramObjects {
public:
    ProgramObjects();
    ~ProgramObjects();
    ProgramObjects(const ProgramObjects&) = delete;
    ProgramObjects& operator=(const ProgramObjects&) = delete;

    JournalApp app;
    SelectionList selection;
    DbKestrin journal;
    Skin skin;
};

JournalApp& TheApp();
SelectionList& TheSelection();
DbKestrin& TheJournal();
Skin& TheSkin();
