#pragma once
// SaveEntry: writes one entry as the entry editor saves it, all or nothing.
//
// In one store transaction: the entry's record is written, its references
// are brought from those its record held to those of the property set, and
// the entry flags are set. The references go through the batch restore uses
// when it refreshes an entry: exactly the entry's own old references leave
// (an entry not on a relation list removes nothing from it, so other
// entries' "None" groups stay whole), and only the names the entry leaves or
// joins are written, so an edit that keeps its contacts and categories
// rewrites no relation list. When any step fails, or the process dies half
// way, the journal and its relation index are as they were before the call.
// UI thread of the program; not thread-safe.

#include "DbKestrin.h"
#include "ZJITEMS.h"

// The flags the editor stores on every entry it saves.
inline constexpr DWORD ENTRY_FLAGS_SAVED = 3;

// Saves `set` as entry `oid` (0: a new entry) with `flags`. Returns the OID
// written; 0 when nothing was changed (the store's error is in the thread's
// last error and was reported by the record store).
CEOID SaveEntry(DbKestrin& journal, CEOID oid, ZJITEMS& set, DWORD flags = ENTRY_FLAGS_SAVED);
