#include "ReferenceBatch.h"

#include "CeDatabase.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "RecordProps.h"

#include <algorithm>
#include <array>
#include <set>

namespace {

constexpr int kCountLimit = 0x7FFF;
const CEBLOB kEmptyBlob { 0, nullptr };

std::u16string Key(const std::u16string& name)
{
    ZString folded(name.c_str());
    folded.MakeLower();
    return folded.IsEmpty() ? std::u16string() : std::u16string(folded.Text());
}

std::u16string Text(const ZString& text)
{
    return text.IsEmpty() ? std::u16string() : std::u16string(text.Text());
}

std::vector<BYTE> OidBlob(const std::vector<CEOID>& oids)
{
    std::vector<BYTE> bytes(oids.size() * 4);
    for (std::size_t i = 0; i < oids.size(); ++i)
        for (int b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<BYTE>(oids[i] >> (8 * b));
    return bytes;
}

std::vector<CEOID> ReadOids(const CEBLOB& blob)
{
    std::vector<CEOID> oids;
    if (blob.lpb == nullptr)
        return oids;
    oids.reserve(blob.dwCount / 4);
    for (DWORD i = 0; i + 4 <= blob.dwCount; i += 4)
        oids.push_back(blob.lpb[i] | (blob.lpb[i + 1] << 8) | (blob.lpb[i + 2] << 16)
            | (static_cast<CEOID>(blob.lpb[i + 3]) << 24));
    return oids;
}

// The names of a packed list; an empty list counts under "None".
template <typename Item>
std::vector<std::u16string> NamesOf(const CEBLOB& blob, bool (*unpack)(const CEBLOB&, std::vector<Item>&))
{
    std::vector<Item> items;
    unpack(blob, items);
    std::vector<std::u16string> names;
    for (const Item& item : items)
        names.push_back(Text(item.GetName()));
    if (names.empty())
        names.emplace_back(NONE_NAME);
    return names;
}

std::vector<std::u16string> ContactNames(const CEBLOB& blob)
{
    return NamesOf<DbAItem>(blob, UnpackContacts);
}
std::vector<std::u16string> CategoryNames(const CEBLOB& blob)
{
    return NamesOf<DbCItem>(blob, UnpackCategories);
}

} // namespace

ReferenceBatch::NameChanges& ReferenceBatch::Changes(ChangeMap& map, const std::u16string& name)
{
    if (auto known = map.byName.find(name); known != map.byName.end())
        return *known->second;
    NameChanges& changes = map.byKey[Key(name)];
    if (changes.name.empty())
        changes.name = name;
    map.byName.emplace(name, &changes);
    return changes;
}

void ReferenceBatch::Remove(ChangeMap& map, CEOID entry, const std::vector<std::u16string>& names)
{
    for (const std::u16string& name : names) {
        NameChanges& changes = Changes(map, name);
        // An add collected earlier in this batch is taken back too.
        if (changes.addedSet.erase(entry) != 0)
            std::erase(changes.added, entry);
        changes.removed.insert(entry);
    }
}

void ReferenceBatch::Add(ChangeMap& map, CEOID entry, const std::vector<std::u16string>& names)
{
    for (const std::u16string& name : names) {
        NameChanges& changes = Changes(map, name);
        if (changes.addedSet.insert(entry).second)
            changes.added.push_back(entry);
    }
}

void ReferenceBatch::RemoveEntry(CEOID entry)
{
    RecordProps props;
    if (props.ReadOid(m_journal, entry, { PROPID_CONTACTS, PROPID_CATEGORIES }) == 0)
        return;
    const CEPROPVAL* contacts = props.Find(PROPID_CONTACTS);
    const CEPROPVAL* categories = props.Find(PROPID_CATEGORIES);
    Remove(m_contacts, entry, ContactNames(contacts ? contacts->val.blob : kEmptyBlob));
    Remove(m_categories, entry, CategoryNames(categories ? categories->val.blob : kEmptyBlob));
}

namespace {

// The names of `names` whose folded form is not among `others`'.
std::vector<std::u16string> Without(
    const std::vector<std::u16string>& names, const std::vector<std::u16string>& others)
{
    std::set<std::u16string> folded;
    for (const std::u16string& other : others)
        folded.insert(Key(other));
    std::vector<std::u16string> rest;
    for (const std::u16string& name : names)
        if (!folded.count(Key(name)))
            rest.push_back(name);
    return rest;
}

} // namespace

void ReferenceBatch::ReplaceEntry(CEOID entry, const ZJITEMS& set)
{
    if (entry == 0)
        return;
    RecordProps props;
    const bool exists = props.ReadOid(m_journal, entry, { PROPID_CONTACTS, PROPID_CATEGORIES }) != 0;
    auto stored = [&](CEPROPID id) {
        const CEPROPVAL* value = exists ? props.Find(id) : nullptr;
        return value ? value->val.blob : kEmptyBlob;
    };
    auto field = [&](CEPROPID id) {
        const DbJItem* item = set.GetItem(id);
        return item ? *item->GetBlob() : kEmptyBlob;
    };
    std::vector<std::u16string> oldContacts;
    std::vector<std::u16string> oldCategories;
    if (exists) {
        oldContacts = ContactNames(stored(PROPID_CONTACTS));
        oldCategories = CategoryNames(stored(PROPID_CATEGORIES));
    }
    const std::vector<std::u16string> newContacts = ContactNames(field(PROPID_CONTACTS));
    const std::vector<std::u16string> newCategories = CategoryNames(field(PROPID_CATEGORIES));
    Remove(m_contacts, entry, Without(oldContacts, newContacts));
    Remove(m_categories, entry, Without(oldCategories, newCategories));
    Add(m_contacts, entry, Without(newContacts, oldContacts));
    Add(m_categories, entry, Without(newCategories, oldCategories));
}

void ReferenceBatch::AddEntry(CEOID entry, const ZJITEMS& set)
{
    if (entry == 0)
        return;
    if (const DbJItem* contacts = set.GetItem(PROPID_CONTACTS))
        Add(m_contacts, entry, ContactNames(*contacts->GetBlob()));
    if (const DbJItem* categories = set.GetItem(PROPID_CATEGORIES))
        Add(m_categories, entry, CategoryNames(*categories->GetBlob()));
}

bool ReferenceBatch::ApplyRelation(const NameChanges& changes, DWORD kind, int* before, int* after)
{
    DbRelX& relx = m_journal.GetRelX();
    CEOID record = relx.Find(changes.name.c_str(), kind);
    std::vector<CEOID> oids;
    if (record != 0) {
        RecordProps props;
        if (props.ReadOid(relx, record, { PROPID_RELOIDS }) != 0)
            if (const CEPROPVAL* stored = props.Find(PROPID_RELOIDS))
                oids = ReadOids(stored->val.blob);
    }
    *before = static_cast<int>(oids.size());
    if (!changes.removed.empty())
        std::erase_if(oids, [&](CEOID oid) { return changes.removed.count(oid) != 0; });
    // A few additions (one entry saved) look the list through; many (a
    // restore) index it first. A "None" list holds most of the journal.
    constexpr std::size_t kFewAdditions = 16;
    if (changes.added.size() <= kFewAdditions) {
        for (CEOID oid : changes.added)
            if (std::find(oids.begin(), oids.end(), oid) == oids.end())
                oids.push_back(oid);
    } else {
        std::unordered_set<CEOID> present(oids.begin(), oids.end());
        for (CEOID oid : changes.added)
            if (present.insert(oid).second)
                oids.push_back(oid);
    }
    *after = static_cast<int>(oids.size());

    if (oids.empty())
        return record == 0 || CeDeleteRecord(relx.GetHandle(), record);
    std::vector<BYTE> blob = OidBlob(oids);
    std::array<CEPROPVAL, 4> values {};
    values[0].propid = PROPID_RELCOUNT;
    values[0].val.iVal = static_cast<SHORT>(std::min(*after, kCountLimit));
    values[1].propid = PROPID_RELOIDS;
    values[1].val.blob = CEBLOB { static_cast<DWORD>(blob.size()), blob.data() };
    if (record != 0)
        return relx.WriteProps(record, 2, values.data()) != 0;
    values[2].propid = PROPID_RELNAME;
    values[2].val.lpwstr = const_cast<LPWSTR>(changes.name.c_str());
    values[3].propid = PROPID_RELKIND;
    values[3].val.ulVal = kind;
    return relx.WriteProps(0, static_cast<WORD>(values.size()), values.data()) != 0;
}

bool ReferenceBatch::ApplyCategoryCounter(const std::u16string& name, int delta)
{
    DbCats categories;
    if (!categories.Open(nullptr))
        return false;
    CEOID category = categories.FindCategory(name.c_str());
    if (category == 0 && delta > 0) {
        category = categories.AddCategory(name.c_str(), PROPID_CATCOUNT_JOURNAL);
        if (category != 0 && ZString(name.c_str()).EqualsNoCase(NONE_NAME))
            categories.HideCategory(category);
    }
    bool written = true;
    if (category != 0 && delta != 0) {
        int current = 0;
        RecordProps props;
        if (props.ReadOid(categories, category, { PROPID_CATCOUNT_JOURNAL }) != 0)
            if (const CEPROPVAL* counter = props.Find(PROPID_CATCOUNT_JOURNAL))
                current = std::max<int>(counter->val.iVal, 0);
        CEPROPVAL value {};
        value.propid = PROPID_CATCOUNT_JOURNAL;
        value.val.iVal = static_cast<SHORT>(std::clamp(current + delta, 0, kCountLimit));
        written = categories.WriteProps(category, 1, &value) != 0;
    }
    categories.Close();
    return written && (category != 0 || delta <= 0);
}

bool ReferenceBatch::Flush()
{
    bool ok = true;
    int before = 0;
    int after = 0;
    for (const auto& [key, changes] : m_contacts.byKey)
        ok = ApplyRelation(changes, KIND_CONTACT, &before, &after) && ok;
    for (const auto& [key, changes] : m_categories.byKey) {
        ok = ApplyRelation(changes, KIND_CATEGORY, &before, &after) && ok;
        if (!changes.added.empty() || after != before)
            ok = ApplyCategoryCounter(changes.name, after - before) && ok;
    }
    Clear();
    return ok;
}
