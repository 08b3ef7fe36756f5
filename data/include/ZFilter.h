#pragma once
// ZFilter: which journal entries the user wants to see — a date range or a
// set of months, optionally combined with chosen categories — and its
// persistence in the settings store.
//
// The filter owns its category items (DbCItem; an item named "None" stands
// for the entries without categories): Clear() and the destructor destroy
// them. Copies are deep. Every change through the setters (and assignment,
// Clear, LoadFilter) raises Generation(), so a holder of cached results (the
// journal's filtered row list) can tell when to recompute. A caller that
// changes an item inside GetCategories() directly calls Touch() afterwards.
// Not thread-safe.

#include "DbCItem.h"
#include "TSList.h"
#include "ZString.h"
#include "ZTime.h"

class ZJITEMS;
class ZRegistry;

class ZFilter {
public:
    ZFilter();
    ZFilter(const ZFilter& other);
    ZFilter& operator=(const ZFilter& other);
    ~ZFilter();

    // Not active, months 0, not by categories only, by range, start and end
    // 0, no categories.
    void Clear();

    BOOL IsActive() const { return m_active; }
    BOOL IsByCatsOnly() const { return m_catsOnly; }
    BOOL IsByRange() const { return m_byRange; }
    DWORD GetMonths() const { return m_months; }
    const ZTime& GetStart() const { return m_start; }
    const ZTime& GetEnd() const { return m_end; }
    void SetActive(BOOL active);
    void SetByCatsOnly(BOOL catsOnly);
    void SetByRange(BOOL byRange);
    // Month bits: January = 1 ... December = 2048 (MonthBit).
    void SetMonths(DWORD months);
    void SetStart(const ZTime& start);
    void SetEnd(const ZTime& end);

    // The chosen categories. Items appended become owned by the filter;
    // remove with RemoveCategory (which destroys the item).
    const TSList<DbCItem>& GetCategories() const { return m_cats; }
    // Appends a copy of `item`.
    void AddCategory(const DbCItem& item);
    // Removes and destroys the filter's category of that name (ignoring
    // case); true when there was one.
    bool RemoveCategory(LPCWSTR name);
    // The filter's category of the same name ignoring case, or null.
    DbCItem* FindCat(const DbCItem& item) const;
    DbCItem* FindCat(LPCWSTR name) const;

    // start <= time <= end, both ends included.
    BOOL IsDateInRange(const ZTime& time) const;

    // The whole entry test. `dateTicks` is the entry's Date; `categories` the
    // packed category list of its Categories field, or null when the entry
    // has no Categories field (then the date alone decides). An inactive
    // filter passes everything.
    BOOL Passes(ULONGLONG dateTicks, const CEBLOB* categories) const;
    // Passes() on a property set's Date and Categories fields.
    BOOL Passes(const ZJITEMS& set) const;
    // Does the test look at the entry's categories at all?
    bool TestsCategories() const { return m_active && (m_catsOnly || m_cats.Count() != 0); }
    // The test with the category part answered by the caller:
    // `categoriesMatch` tells whether one of the entry's categories is chosen
    // (or, for an entry without categories, whether "None" is). Used by
    // holders of precomputed answers; Passes() gives the same result.
    BOOL PassesWith(ULONGLONG dateTicks, bool hasCategoryField, bool categoriesMatch) const;

    // Writes the filter's values into `section` ("fLStart" ... "fCnt" and one
    // "flt%d" per category). Returns 1.
    int SaveFilter(ZRegistry& settings, LPCWSTR section) const;
    // Reads the values of `section` (missing ones read as 0 or ""); the
    // saved categories are appended to the list, each with its OID looked
    // up in the shared categories database (0 when not found). Returns 1.
    int LoadFilter(ZRegistry& settings, LPCWSTR section);
    // Clear(), deletes the saved "flt%d" values and saves the cleared state.
    void ClearFilter(ZRegistry& settings, LPCWSTR section);

    // Raised by every change; compare to tell whether the filter changed.
    DWORD Generation() const { return m_generation; }
    void Touch() { ++m_generation; }

private:
    void DestroyCategories();
    void CopyFrom(const ZFilter& other);
    bool CategoriesMatch(const CEBLOB& categories) const;

    ZTime m_start;
    ZTime m_end;
    LONG m_reserved = 0;
    DWORD m_months = 0;
    BOOL m_active = 0;
    BOOL m_catsOnly = 0;
    BOOL m_byRange = 1;
    TSList<DbCItem> m_cats;
    DWORD m_generation = 0;
};
