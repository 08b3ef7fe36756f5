#pragma once
// Renaming a category everywhere the journal keeps its name. An entry holds
// its categories by name (in its packed Categories list) and the relation
// index keys its category records by name, so renaming only the shared
// category record would leave every entry on the old name: a filter on the
// new name would find nothing and the next integrity check would bring the
// old name back. RenameCategoryEverywhere changes all three in one store
// transaction: the category record, every entry that names the category and
// the category's relation record. Plain function; not thread-safe (it uses
// the journal's cursor).

#include "DbKestrin.h"

#include <string>

struct CategoryRenameResult {
    bool done = false;
    int entries = 0; // entries whose Categories list was rewritten
    std::string error; // why nothing was changed (UTF-8), when not done
};

// Renames the category `oldName` (ignoring case) to `newName`. Refused,
// with nothing changed, when no category has the old name, when the new
// name is empty or another category (shown or hidden) has it already, or
// when a write fails. A rename that changes only the letter case is allowed.
CategoryRenameResult RenameCategoryEverywhere(DbKestrin& journal, LPCWSTR oldName, LPCWSTR newName);
