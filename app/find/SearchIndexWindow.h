#pragma once
// Before the first find on a journal whose search index is missing or behind
// (a journal from before the index, or changed by a program that could not
// read its notes), the index is built, which on a large journal takes
// seconds: a progress window ("Find", "Preparing the search of N
// entries...") shows how far it has got. A journal whose index is in step,
// or a small one, shows nothing. Plain function; UI thread.

#include "DbKestrin.h"

class QWidget;

// Builds the index when needed; false when it could not be built (searches
// then walk the journal).
bool PrepareSearchIndex(QWidget* owner, DbKestrin& journal);
