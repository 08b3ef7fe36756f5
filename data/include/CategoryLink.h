#pragma once
// The category a stored category (an entry's DbCItem: record OID and name)
// refers to in the shared categories database. The stored OID is trusted
// only when that record still has the stored name: an entry restored from
// another device's backup or beamed from it carries that device's OIDs, and
// the record with the same OID here may be an unrelated category. Otherwise
// the category is found by its name. Plain functions; the caller's thread.

#include "DbCItem.h"
#include "ZDbCategories.h"
#include "ZString.h"

#include <vector>

// The OID of the category the stored one means: `oid` when that record's
// name equals `name` ignoring case, else the category named `name`; 0 when
// neither exists. `categories` must be open sorted by name.
CEOID FindStoredCategory(ZDbCategories& categories, CEOID oid, LPCWSTR name);

// The name of category record `oid` into `name`; false when it cannot be
// read. The name is read whole, however long.
bool ReadCategoryName(ZDbCategories& categories, CEOID oid, ZString& name);

// Every visible category (visible flag present and not 0) in the database's
// current order, each with its record OID and its whole name.
std::vector<DbCItem> VisibleCategories(ZDbCategories& categories);
