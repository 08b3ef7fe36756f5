#pragma once
// The Contacts and Categories fields of an entry written from the lists the
// pickers edit: the packed list (PackedLists.h) as the field's blob and the
// names joined by "; ", each "&" doubled for display, as its text. An empty
// list clears both, so the entry counts under "None". Plain functions; the
// caller's thread.

#include "DbAItem.h"
#include "DbCItem.h"

#include <vector>

void StoreContactsField(DItemObject& field, const std::vector<DbAItem>& contacts);
void StoreCategoriesField(DItemObject& field, const std::vector<DbCItem>& categories);
