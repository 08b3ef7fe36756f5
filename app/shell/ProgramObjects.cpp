#include "ProgramObjects.h"

#include <cassert>

namespace {

ProgramObjects* current = nullptr;

} // namespace

ProgramObjects::ProgramObjects()
{
    assert(!current && "one set of program objects at a time");
    current = this;
}

ProgramObjects::~ProgramObjects()
{
    current = nullptr;
}

JournalApp& TheApp()
{
    return current->app;
}

SelectionList& TheSelection()
{
    return current->selection;
}

DbKestrin& TheJournal()
{
    return current->journal;
}

Skin& TheSkin()
{
    return current->skin;
}
