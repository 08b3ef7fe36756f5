#include "JournalIndex.h"

#include "JournalProps.h"
#include "PackedLists.h"
#include "RecordProps.h"
#include "ZFilter.h"
#include "ZJITEMS.h"
#include "ZString.h"

#include <algorithm>

namespace {

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

const CEBLOB kEmptyBlob { 0, nullptr };

} // namespace

DWORD JournalIndex::Names::Intern(LPCWSTR name)
{
    std::u16string text = name ? name : u"";
    auto [it, added] = m_ids.try_emplace(text, static_cast<DWORD>(m_names.size()));
    if (added)
        m_names.push_back(text);
    return it->second;
}

std::vector<char> JournalIndex::Names::Flags(const std::function<bool(LPCWSTR)>& chosen) const
{
    std::vector<char> flags(m_names.size());
    for (std::size_t id = 0; id < m_names.size(); ++id)
        flags[id] = chosen(m_names[id].c_str());
    return flags;
}

std::vector<char> JournalIndex::Names::Matching(LPCWSTR name) const
{
    ZString wanted(name);
    return Flags([&wanted](LPCWSTR text) { return wanted.EqualsNoCase(text) != 0; });
}

void JournalIndex::Invalidate()
{
    m_built = false;
    m_order.clear();
    m_facts.clear();
    m_categories = Names();
    m_contacts = Names();
    m_companies = Names();
    m_viewValid = false;
    ++m_version;
}

JournalIndex::Facts JournalIndex::FactsOfRecord(const RecordProps& props)
{
    Facts facts;
    if (const CEPROPVAL* date = props.Find(PROPID_DATE))
        facts.date = Ticks(date->val.filetime);
    auto shortOf = [&props](CEPROPID id) {
        const CEPROPVAL* value = props.Find(id);
        return value ? value->val.iVal : SHORT { -1 };
    };
    facts.type = shortOf(PROPID_TYPE);
    facts.priority = shortOf(PROPID_PRIORITY);
    facts.sensitivity = shortOf(PROPID_SENSITIVITY);
    const CEPROPVAL* company = props.Find(PROPID_COMPANY);
    facts.company = m_companies.Intern(company ? company->val.lpwstr : nullptr);
    const CEPROPVAL* categories = props.Find(PROPID_CATEGORIES);
    AnyCategory(categories ? categories->val.blob : kEmptyBlob, [&](CEOID, LPCWSTR name) {
        facts.categories.push_back(m_categories.Intern(name));
        return false;
    });
    const CEPROPVAL* contacts = props.Find(PROPID_CONTACTS);
    AnyContact(contacts ? contacts->val.blob : kEmptyBlob, [&](CEOID, LPCWSTR name) {
        facts.contacts.push_back(m_contacts.Intern(name));
        return false;
    });
    return facts;
}

void JournalIndex::ReadFacts(ZCeDbase& records)
{
    for (CEOID oid = records.SeekFirst(); oid != 0; oid = records.SeekNext()) {
        RecordProps props;
        if (props.Read(records,
                { PROPID_DATE, PROPID_TYPE, PROPID_COMPANY, PROPID_CATEGORIES, PROPID_CONTACTS,
                    PROPID_SENSITIVITY, PROPID_PRIORITY })
            == oid)
            m_facts.emplace(oid, FactsOfRecord(props));
    }
}

void JournalIndex::Build(ZCeDbase& journal)
{
    Invalidate();
    // Walking in the journal's sort order reads the file in random order
    // (one page read per entry). The facts are read in creation order, which
    // follows the file, through a second handle; the sort order itself comes
    // from the store's in-memory order index, which needs no reads.
    CEOIDINFO info {};
    ZCeDbase byCreation;
    if (journal.GetInfo(&info) && byCreation.OpenDb(info.infDatabase.szDbaseName, 0, 0, nullptr)) {
        ReadFacts(byCreation);
        byCreation.Close();
    } else {
        ReadFacts(journal);
    }
    CEOID current = journal.SeekCurrent();
    for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext())
        if (m_facts.count(oid) != 0)
            m_order.push_back(oid);
    if (current != 0)
        journal.SeekOid(current);
    m_built = true;
    ++m_version;
}

JournalIndex::Facts JournalIndex::FactsOf(const ZJITEMS& set)
{
    Facts facts;
    auto item = [&set](CEPROPID id) { return set.GetItem(id); };
    if (const DbJItem* date = item(PROPID_DATE))
        facts.date = Ticks(date->GetFileTime());
    if (const DbJItem* type = item(PROPID_TYPE))
        facts.type = type->GetShort();
    if (const DbJItem* priority = item(PROPID_PRIORITY))
        facts.priority = priority->GetShort();
    if (const DbJItem* sensitivity = item(PROPID_SENSITIVITY))
        facts.sensitivity = sensitivity->GetShort();
    const DbJItem* company = item(PROPID_COMPANY);
    facts.company = m_companies.Intern(company ? company->GetStrValue() : nullptr);
    const DbJItem* categories = item(PROPID_CATEGORIES);
    AnyCategory(categories ? *categories->GetBlob() : kEmptyBlob, [&](CEOID, LPCWSTR name) {
        facts.categories.push_back(m_categories.Intern(name));
        return false;
    });
    const DbJItem* contacts = item(PROPID_CONTACTS);
    AnyContact(contacts ? *contacts->GetBlob() : kEmptyBlob, [&](CEOID, LPCWSTR name) {
        facts.contacts.push_back(m_contacts.Intern(name));
        return false;
    });
    return facts;
}

void JournalIndex::Put(ZCeDbase& journal, CEOID oid, const ZJITEMS& set)
{
    if (!m_built)
        return;
    if (journal.SeekOid(oid) != oid) {
        Invalidate();
        return;
    }
    Remove(oid);
    std::size_t at = std::min<std::size_t>(journal.GetOidIndex(oid), m_order.size());
    m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(at), oid);
    m_facts[oid] = FactsOf(set);
    ++m_version;
}

void JournalIndex::Remove(CEOID oid)
{
    if (!m_built || m_facts.erase(oid) == 0)
        return;
    m_order.erase(std::find(m_order.begin(), m_order.end(), oid));
    ++m_version;
}

const JournalIndex::Facts* JournalIndex::Find(CEOID oid) const
{
    auto found = m_facts.find(oid);
    return found == m_facts.end() ? nullptr : &found->second;
}

void JournalIndex::Refresh(const ZFilter& filter)
{
    if (m_viewValid && m_viewGeneration == filter.Generation() && m_viewVersion == m_version)
        return;
    m_chosen = m_categories.Flags([&filter](LPCWSTR name) { return filter.FindCat(name) != nullptr; });
    m_noneChosen = filter.FindCat(NONE_NAME) != nullptr;
    // Set before the pass below, which asks Passes() for every entry.
    m_viewValid = true;
    m_viewGeneration = filter.Generation();
    m_viewVersion = m_version;
    m_rows.clear();
    for (CEOID oid : m_order)
        if (Passes(m_facts.at(oid), filter))
            m_rows.push_back(oid);
}

bool JournalIndex::Passes(const Facts& facts, const ZFilter& filter)
{
    if (!filter.IsActive())
        return true;
    Refresh(filter);
    bool match = false;
    if (filter.TestsCategories()) {
        match = facts.categories.empty() ? m_noneChosen
                                         : std::any_of(facts.categories.begin(), facts.categories.end(),
                                             [this](DWORD id) { return m_chosen[id]; });
    }
    return filter.PassesWith(facts.date, true, match) != 0;
}

const std::vector<CEOID>& JournalIndex::Rows(const ZFilter& filter)
{
    Refresh(filter);
    return m_rows;
}
