#include "ZFilter.h"

#include "DbCats.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "ZJITEMS.h"
#include "ZRegistry.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Names of the settings values.
constexpr const WCHAR* kLowStart = u"fLStart";
constexpr const WCHAR* kHighStart = u"fHStart";
constexpr const WCHAR* kLowEnd = u"fLEnd";
constexpr const WCHAR* kHighEnd = u"fHEnd";
constexpr const WCHAR* kActive = u"fActive";
constexpr const WCHAR* kMonths = u"fMonths";
constexpr const WCHAR* kRange = u"fRange";
constexpr const WCHAR* kCatsOnly = u"fCatsOnly";
constexpr const WCHAR* kCount = u"fCnt";
// A damaged "fCnt" must not make the load walk billions of missing values;
// no categories database holds more categories than this.
constexpr DWORD kMaxSavedCategories = 1024;

// "flt%d" for the n-th saved category.
std::u16string CategoryValueName(DWORD n)
{
    std::u16string name = u"flt";
    for (char c : std::to_string(n))
        name.push_back(static_cast<char16_t>(c));
    return name;
}

DWORD ReadDword(ZRegistry& settings, LPCWSTR section, LPCWSTR name)
{
    return static_cast<DWORD>(settings.ReadInt(section, name, 0));
}

} // namespace

ZFilter::ZFilter() = default;

ZFilter::ZFilter(const ZFilter& other)
{
    CopyFrom(other);
}

ZFilter& ZFilter::operator=(const ZFilter& other)
{
    if (this != &other) {
        DestroyCategories();
        CopyFrom(other);
        Touch();
    }
    return *this;
}

ZFilter::~ZFilter()
{
    DestroyCategories();
}

void ZFilter::CopyFrom(const ZFilter& other)
{
    m_start = other.m_start;
    m_end = other.m_end;
    m_reserved = other.m_reserved;
    m_months = other.m_months;
    m_active = other.m_active;
    m_catsOnly = other.m_catsOnly;
    m_byRange = other.m_byRange;
    for (auto* node = other.m_cats.Head(); node; node = node->next)
        if (node->item)
            m_cats.Append(new DbCItem(*node->item));
    m_generation = other.m_generation + 1;
}

void ZFilter::DestroyCategories()
{
    for (auto* node = m_cats.Head(); node; node = node->next)
        delete node->item;
    m_cats = TSList<DbCItem>();
}

void ZFilter::Clear()
{
    m_start.Clear();
    m_end.Clear();
    m_reserved = 0;
    m_months = 0;
    m_active = 0;
    m_catsOnly = 0;
    m_byRange = 1;
    DestroyCategories();
    Touch();
}

void ZFilter::SetActive(BOOL active)
{
    m_active = active;
    Touch();
}

void ZFilter::SetByCatsOnly(BOOL catsOnly)
{
    m_catsOnly = catsOnly;
    Touch();
}

void ZFilter::SetByRange(BOOL byRange)
{
    m_byRange = byRange;
    Touch();
}

void ZFilter::SetMonths(DWORD months)
{
    m_months = months;
    Touch();
}

void ZFilter::SetStart(const ZTime& start)
{
    m_start = start;
    Touch();
}

void ZFilter::SetEnd(const ZTime& end)
{
    m_end = end;
    Touch();
}

void ZFilter::AddCategory(const DbCItem& item)
{
    m_cats.Append(new DbCItem(item));
    Touch();
}

bool ZFilter::RemoveCategory(LPCWSTR name)
{
    DbCItem* item = FindCat(name);
    if (item == nullptr)
        return false;
    m_cats.Remove(item);
    delete item;
    Touch();
    return true;
}

DbCItem* ZFilter::FindCat(const DbCItem& item) const
{
    return FindCat(item.GetName());
}

DbCItem* ZFilter::FindCat(LPCWSTR name) const
{
    for (auto* node = m_cats.Head(); node; node = node->next)
        if (node->item && node->item->GetName().EqualsNoCase(name))
            return node->item;
    return nullptr;
}

BOOL ZFilter::IsDateInRange(const ZTime& time) const
{
    return m_start <= time && time <= m_end;
}

bool ZFilter::CategoriesMatch(const CEBLOB& categories) const
{
    bool hasAny = false;
    bool match = AnyCategory(categories, [this, &hasAny](CEOID, LPCWSTR name) {
        hasAny = true;
        return FindCat(name) != nullptr;
    });
    return hasAny ? match : FindCat(NONE_NAME) != nullptr;
}

BOOL ZFilter::Passes(ULONGLONG dateTicks, const CEBLOB* categories) const
{
    bool match = categories != nullptr && TestsCategories() && CategoriesMatch(*categories);
    return PassesWith(dateTicks, categories != nullptr, match);
}

BOOL ZFilter::PassesWith(ULONGLONG dateTicks, bool hasCategoryField, bool categoriesMatch) const
{
    if (!m_active)
        return 1;
    bool categoriesTested = hasCategoryField && TestsCategories();
    if (categoriesTested && m_catsOnly)
        return categoriesMatch;

    ZTime date(dateTicks);
    bool datePasses = m_byRange ? IsDateInRange(date) != 0 : (m_months & MonthBit(date.Month())) != 0;
    if (categoriesTested)
        return datePasses || categoriesMatch;
    return datePasses;
}

BOOL ZFilter::Passes(const ZJITEMS& set) const
{
    if (!m_active)
        return 1;
    ULONGLONG ticks = 0;
    if (const DbJItem* date = set.GetItem(PROPID_DATE)) {
        FILETIME time = date->GetFileTime();
        ticks = ZTime(time).Ticks();
    }
    const DbJItem* categories = set.GetItem(PROPID_CATEGORIES);
    return Passes(ticks, categories ? categories->GetBlob() : nullptr);
}

int ZFilter::SaveFilter(ZRegistry& settings, LPCWSTR section) const
{
    settings.WriteInt(section, kLowStart, static_cast<int>(m_start.LowTicks()));
    settings.WriteInt(section, kHighStart, static_cast<int>(m_start.HighTicks()));
    settings.WriteInt(section, kLowEnd, static_cast<int>(m_end.LowTicks()));
    settings.WriteInt(section, kHighEnd, static_cast<int>(m_end.HighTicks()));
    settings.WriteInt(section, kActive, static_cast<int>(m_active));
    settings.WriteInt(section, kMonths, static_cast<int>(m_months));
    settings.WriteInt(section, kRange, static_cast<int>(m_byRange));
    settings.WriteInt(section, kCatsOnly, static_cast<int>(m_catsOnly));
    settings.WriteInt(section, kCount, static_cast<int>(m_cats.Count()));
    DWORD n = 0;
    for (auto* node = m_cats.Head(); node && node->item; node = node->next, ++n)
        settings.WriteString(section, CategoryValueName(n).c_str(), node->item->GetName());
    return 1;
}

int ZFilter::LoadFilter(ZRegistry& settings, LPCWSTR section)
{
    m_reserved = 0;
    m_active = static_cast<BOOL>(settings.ReadInt(section, kActive, 0));
    m_months = ReadDword(settings, section, kMonths);
    m_byRange = static_cast<BOOL>(settings.ReadInt(section, kRange, 0));
    m_catsOnly = static_cast<BOOL>(settings.ReadInt(section, kCatsOnly, 0));
    m_start.SetTicks(ReadDword(settings, section, kLowStart), ReadDword(settings, section, kHighStart));
    m_end.SetTicks(ReadDword(settings, section, kLowEnd), ReadDword(settings, section, kHighEnd));

    DbCats categories;
    bool opened = categories.Open(nullptr) != 0;
    DWORD count = std::min(ReadDword(settings, section, kCount), kMaxSavedCategories);
    for (DWORD n = 0; n < count; ++n) {
        ZString name;
        // Read whole: a long category name cut short would name no category,
        // and the filter would let no entry through.
        settings.ReadZString(section, CategoryValueName(n).c_str(), u"", name);
        CEOID oid = opened ? categories.FindCategory(name.Text() ? name.Text() : u"") : 0;
        m_cats.Append(new DbCItem(oid, name.Text() ? name.Text() : u""));
    }
    if (opened)
        categories.Close();
    Touch();
    return 1;
}

void ZFilter::ClearFilter(ZRegistry& settings, LPCWSTR section)
{
    Clear();
    DWORD oldCount = std::min(ReadDword(settings, section, kCount), kMaxSavedCategories);
    for (DWORD n = 0; n < oldCount; ++n)
        settings.DeleteValue(section, CategoryValueName(n).c_str());
    SaveFilter(settings, section);
}
