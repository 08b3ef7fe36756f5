#include "CategoryRename.h"

#include "DbCats.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "PackedLists.h"
#include "RecordProps.h"
#include "ZOidsProp.h"

#include <algorithm>
#include <vector>

namespace {

struct RewrittenList {
    CEOID entry;
    std::vector<BYTE> categories;
};

// The Categories lists of the journal's entries that name `oldName`, with
// that name replaced by `newName` (the category's OID kept).
bool CollectRewrites(DbKestrin& journal, LPCWSTR oldName, LPCWSTR newName, std::vector<RewrittenList>& out)
{
    const DWORD total = journal.GetRecordCount32();
    DWORD walked = 0;
    for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext(), ++walked) {
        RecordProps props;
        if (props.Read(journal, { PROPID_CATEGORIES, PROPID_RECORDTYPE }) != oid)
            return false;
        const CEPROPVAL* kind = props.Find(PROPID_RECORDTYPE);
        const CEPROPVAL* blob = props.Find(PROPID_CATEGORIES);
        if ((kind && kind->val.ulVal != KIND_ENTRY) || !blob)
            continue;
        std::vector<DbCItem> items;
        UnpackCategories(blob->val.blob, items);
        bool named = false;
        PackedListWriter list;
        for (const DbCItem& item : items) {
            const bool match = ZString(item.GetName()).EqualsNoCase(oldName) != 0;
            named = named || match;
            list.AddCategory(item.GetOid(), match ? newName : static_cast<LPCWSTR>(item.GetName()));
        }
        if (named)
            out.push_back({ oid, list.Bytes() });
    }
    // A walk that stopped early (a read failure ends SeekNext) must not
    // leave some entries on the old name.
    return walked >= total;
}

bool WriteCategories(DbKestrin& journal, const RewrittenList& rewrite)
{
    CEPROPVAL value = EmptyProp();
    value.propid = PROPID_CATEGORIES;
    value.val.blob.dwCount = static_cast<DWORD>(rewrite.categories.size());
    value.val.blob.lpb = const_cast<BYTE*>(rewrite.categories.data());
    return journal.WriteProps(rewrite.entry, 1, &value) == rewrite.entry;
}

// Gives the category's relation record the new name; when the index has a
// record under the new name already (an index out of step), the two lists
// are merged into it.
bool RenameRelation(DbRelX& index, LPCWSTR oldName, LPCWSTR newName)
{
    const CEOID from = index.Find(oldName, KIND_CATEGORY);
    if (from == 0)
        return true;
    const CEOID into = index.Find(newName, KIND_CATEGORY);
    if (into == 0 || into == from) {
        CEPROPVAL value = EmptyProp();
        value.propid = PROPID_RELNAME;
        value.val.lpwstr = const_cast<LPWSTR>(newName);
        return index.WriteProps(from, 1, &value) == from;
    }
    ZString name;
    ZOidsProp moving;
    ZOidsProp merged;
    if (!index.GetText(from, name, moving, KIND_CATEGORY) || !index.GetText(into, name, merged, KIND_CATEGORY))
        return false;
    for (CEOID entry : moving)
        merged += entry; // skips the entries it holds already
    CEPROPVAL values[2] = { EmptyProp(), EmptyProp() };
    values[0].propid = PROPID_RELCOUNT;
    values[0].val.iVal = static_cast<SHORT>(std::min(merged.Count(), 0x7FFF));
    values[1].propid = PROPID_RELOIDS;
    merged.GetBlob(&values[1].val.blob);
    const bool written = index.WriteProps(into, 2, values) == into;
    LocalFree(values[1].val.blob.lpb);
    return written && index.DeleteRecord(from);
}

} // namespace

CategoryRenameResult RenameCategoryEverywhere(DbKestrin& journal, LPCWSTR oldName, LPCWSTR newName)
{
    CategoryRenameResult result;
    const std::string oldText = ZString::AnsiBytes(oldName);
    const std::string newText = ZString::AnsiBytes(newName);
    if (!newName || !*newName) {
        result.error = "the new category name is empty";
        return result;
    }
    DbCats categories;
    if (!categories.Open(nullptr)) {
        result.error = "cannot open the categories database";
        return result;
    }
    const CEOID oid = categories.FindCategory(oldName);
    const CEOID existing = categories.FindCategory(newName);
    if (oid == 0) {
        result.error = "no category \"" + oldText + "\"";
    } else if (existing != 0 && existing != oid) {
        result.error = "a category \"" + newText + "\" exists already"
            + (categories.IsCategoryHidden(existing) ? " (hidden)" : "");
    } else {
        std::vector<RewrittenList> rewrites;
        const BOOL done = journal.RunBatch([&]() -> BOOL {
            if (!CollectRewrites(journal, oldName, newName, rewrites))
                return FALSE;
            for (const RewrittenList& rewrite : rewrites)
                if (!WriteCategories(journal, rewrite))
                    return FALSE;
            return RenameRelation(journal.GetRelX(), oldName, newName)
                && categories.RenameCategory(oid, newName);
        });
        result.done = done != 0;
        result.entries = result.done ? static_cast<int>(rewrites.size()) : 0;
        if (!result.done)
            result.error = "the category could not be renamed; nothing was changed";
    }
    categories.Close();
    return result;
}
