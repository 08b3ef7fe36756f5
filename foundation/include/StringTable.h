#pragma once
// The program's string table: every user-visible text that the system loads
// by number (ids 40000..40168), kept in one place (StringTable.cpp) so texts
// can be reviewed and translated together. ZString::LoadString reads it.
//
// The table is constant data; lookups are thread-safe.

#include "WinTypes.h"

// The text of string `id`, or null when the table has no such id. The text is
// static and must not be freed.
LPCWSTR FindStringResource(UINT id);
