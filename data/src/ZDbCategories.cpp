#include "ZDbCategories.h"

#include "JournalProps.h"
#include "RecordProps.h"
#include "CeDatabase.h"
#include "UiHooks.h"

#include <array>
#include <vector>

namespace {

constexpr const WCHAR* kCategoriesDb = u"\\Categories Database";
constexpr const WCHAR* kCategoriesUnit = u"DbCategories";
constexpr int kSiteMissingDb = 32;
constexpr const WCHAR* kUnhideQuestion
    = u"A category with the name that you have selected already exists but is "
      u"hidden.\r\n\r\nWould you like to un-hide it?";
constexpr const WCHAR* kUnhideCaption = u"Category?";
constexpr SHORT kCounterLimit = 0x7FFF;
constexpr const WCHAR* kNoFreeIndex
    = u"No more categories can be added: all 32,768 category numbers are in use.\n"
      u"Delete categories that are no longer needed first.";
constexpr const WCHAR* kCategoriesCaption = u"Categories";

bool IsUseCounter(CEPROPID id)
{
    return id != PROPID_CATNAME && id != PROPID_CATINDEX && id != PROPID_CATVISIBLE;
}

bool IsAboveZero(const CEPROPVAL& value)
{
    switch (TypeFromPropID(value.propid)) {
    case CEVT_I2:
        return value.val.iVal > 0;
    case CEVT_UI2:
        return value.val.uiVal > 0;
    case CEVT_I4:
        return value.val.lVal > 0;
    case CEVT_UI4:
        return value.val.ulVal > 0;
    default:
        return false;
    }
}

CEPROPVAL ShortValue(CEPROPID id, SHORT value)
{
    CEPROPVAL prop = EmptyProp();
    prop.propid = id;
    prop.val.iVal = value;
    return prop;
}

} // namespace

BOOL ZDbCategories::OpenCategories(CEPROPID sortProp, HWND notifyWindow)
{
    if (Exists(kCategoriesDb))
        return OpenDb(kCategoriesDb, sortProp, 0, notifyWindow);
    ReportError(kSiteMissingDb, kCategoriesUnit);
    return FALSE;
}

CEOID ZDbCategories::FindCategory(LPCWSTR name)
{
    if (name == nullptr)
        return 0;
    CEPROPVAL key = EmptyProp();
    key.propid = PROPID_CATNAME;
    key.val.lpwstr = const_cast<LPWSTR>(name);
    return SeekValueFirst(&key);
}

CEOID ZDbCategories::AddCategory(LPCWSTR name, CEPROPID counter)
{
    if (CEOID found = FindCategory(name)) {
        if (IsCategoryHidden(found))
            UnhideCategory(found);
        return found;
    }
    std::array<CEPROPVAL, 7> values;
    values.fill(EmptyProp());
    values[0].propid = PROPID_CATNAME;
    values[0].val.lpwstr = const_cast<LPWSTR>(name ? name : u"");
    const int index = NextCategoryIndex();
    if (index < 0) {
        // A 16-bit number that wrapped would collide with other categories.
        MessageBoxW(nullptr, kNoFreeIndex, kCategoriesCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    values[1] = ShortValue(PROPID_CATINDEX, static_cast<SHORT>(index));
    values[2] = ShortValue(PROPID_CATVISIBLE, 1);
    values[3] = ShortValue(PROPID_CATCOUNT_A, 0);
    values[4] = ShortValue(PROPID_CATCOUNT_B, 0);
    values[5] = ShortValue(PROPID_CATCOUNT_C, 0);
    values[6] = ShortValue(counter, 0);
    return WriteProps(0, static_cast<WORD>(values.size()), values.data());
}

BOOL ZDbCategories::RenameCategory(CEOID oid, LPCWSTR name)
{
    CEOID existing = FindCategory(name);
    if (existing != 0 && IsCategoryHidden(existing)) {
        if (MessageBoxW(nullptr, kUnhideQuestion, kUnhideCaption, MB_YESNO | MB_ICONQUESTION) == IDYES)
            UnhideCategory(existing);
        return TRUE;
    }
    if (SeekOid(oid) != oid)
        return FALSE;
    CEPROPVAL value = EmptyProp();
    value.propid = PROPID_CATNAME;
    value.val.lpwstr = const_cast<LPWSTR>(name ? name : u"");
    return WriteProps(oid, 1, &value) != 0;
}

BOOL ZDbCategories::DeleteCategory(CEOID oid, CEPROPID /*counter*/)
{
    if (IsCategoryInUse(oid))
        return HideCategory(oid);
    return DeleteRecord(oid);
}

BOOL ZDbCategories::IsCategoryInUse(CEOID oid)
{
    m_busy = 1;
    bool inUse = false;
    RecordProps props;
    if (props.ReadOid(*this, oid)) {
        for (WORD i = 0; i < props.Count() && !inUse; ++i) {
            const CEPROPVAL& value = props.Values()[i];
            inUse = IsUseCounter(value.propid) && !(value.wFlags & CEDB_PROPNOTFOUND) && IsAboveZero(value);
        }
    }
    m_busy = 0;
    return inUse;
}

BOOL ZDbCategories::WriteShort(CEOID oid, CEPROPID id, SHORT value)
{
    if (SeekOid(oid) != oid)
        return FALSE;
    CEPROPVAL prop = ShortValue(id, value);
    return WriteProps(oid, 1, &prop) != 0;
}

BOOL ZDbCategories::HideCategory(CEOID oid)
{
    return WriteShort(oid, PROPID_CATVISIBLE, 0);
}

BOOL ZDbCategories::UnhideCategory(CEOID oid)
{
    return WriteShort(oid, PROPID_CATVISIBLE, 1);
}

BOOL ZDbCategories::IsCategoryHidden(CEOID oid)
{
    RecordProps props;
    if (props.ReadOid(*this, oid, { PROPID_CATVISIBLE }) == 0)
        return FALSE;
    const CEPROPVAL* visible = props.Find(PROPID_CATVISIBLE);
    return visible == nullptr || visible->val.iVal == 0;
}

int ZDbCategories::ReadCounter(CEOID oid, CEPROPID counter)
{
    RecordProps props;
    if (props.ReadOid(*this, oid, { counter }) == 0)
        return -2;
    const CEPROPVAL* value = props.Find(counter);
    return value ? value->val.iVal : -1;
}

BOOL ZDbCategories::IncCategoryCount(CEOID oid, CEPROPID counter)
{
    int count = ReadCounter(oid, counter);
    if (count == -2)
        return FALSE;
    SHORT next = count < 0 ? 1 : static_cast<SHORT>(count >= kCounterLimit ? kCounterLimit : count + 1);
    return WriteShort(oid, counter, next);
}

BOOL ZDbCategories::DecCategoryCount(CEOID oid, CEPROPID counter)
{
    int count = ReadCounter(oid, counter);
    if (count == -2)
        return FALSE;
    SHORT next = count > 0 ? static_cast<SHORT>(count - 1) : 0;
    return WriteShort(oid, counter, next);
}

int ZDbCategories::NextCategoryIndex()
{
    ZDbCategories byIndex;
    // Known to exist when this object is open: no second existence check.
    if (!(GetHandle() ? byIndex.OpenDb(kCategoriesDb, PROPID_CATINDEX, 0, nullptr)
                      : byIndex.OpenCategories(PROPID_CATINDEX, nullptr)))
        return 0;
    const int next = byIndex.LowestFreeIndex();
    byIndex.Close();
    return next;
}

bool ZDbCategories::IndexAt(DWORD position, int& number)
{
    RecordProps props;
    if (SeekIndex(position) == 0 || props.Read(*this, { PROPID_CATINDEX }) == 0)
        return false;
    const CEPROPVAL* index = props.Find(PROPID_CATINDEX);
    if (index == nullptr)
        return false;
    number = index->val.iVal;
    return true;
}

int ZDbCategories::LowestFreeIndex()
{
    // The order holds only records with an index, lowest number first.
    DWORD last = 0;
    if (CeSeekDatabase(GetHandle(), CEDB_SEEK_END, 0, &last) == 0)
        return 0;
    const DWORD size = last + 1;
    int number = 0;
    // The usual case: numbers 0..n-1 without a gap (categories in use are
    // hidden, not deleted), so the next is n.
    int first = 0;
    if (IndexAt(0, first) && first == 0 && IndexAt(last, number) && number == static_cast<int>(last))
        return number < kMaxCategoryIndex ? number + 1 : -1;
    // The first position holding a number of 0 or more.
    DWORD low = 0, high = size;
    while (low < high) {
        const DWORD middle = low + (high - low) / 2;
        if (!IndexAt(middle, number))
            return LowestFreeIndexByWalk();
        if (number < 0)
            low = middle + 1;
        else
            high = middle;
    }
    const DWORD start = low;
    // With distinct numbers from `start` on, position start + k holds k
    // exactly while no number below it is missing: the first position
    // holding more marks the first gap.
    high = size;
    while (low < high) {
        const DWORD middle = low + (high - low) / 2;
        if (!IndexAt(middle, number))
            return LowestFreeIndexByWalk();
        if (number > static_cast<int>(middle - start))
            high = middle;
        else
            low = middle + 1;
    }
    const int candidate = static_cast<int>(low - start);
    CEPROPVAL key = ShortValue(PROPID_CATINDEX, static_cast<SHORT>(candidate));
    if (candidate <= kMaxCategoryIndex && SeekValueFirst(&key) == 0)
        return candidate;
    // A number held twice hides a gap from the halving; or all are taken.
    return LowestFreeIndexByWalk();
}

int ZDbCategories::LowestFreeIndexByWalk()
{
    int expected = 0;
    for (CEOID oid = SeekFirst(); oid != 0 && expected <= kMaxCategoryIndex; oid = SeekNext()) {
        RecordProps props;
        if (props.Read(*this, { PROPID_CATINDEX }) != oid)
            continue;
        const CEPROPVAL* index = props.Find(PROPID_CATINDEX);
        if (index == nullptr || index->val.iVal < expected)
            continue;
        if (index->val.iVal > expected)
            break;
        ++expected;
    }
    return expected <= kMaxCategoryIndex ? expected : -1;
}

DWORD ZDbCategories::CountVisibleCategories()
{
    DWORD count = 0;
    for (CEOID oid = SeekFirst(); oid != 0; oid = SeekNext()) {
        RecordProps props;
        if (props.Read(*this, { PROPID_CATNAME, PROPID_CATVISIBLE }) == 0)
            continue;
        const CEPROPVAL* visible = props.Find(PROPID_CATVISIBLE);
        if (visible && visible->val.iVal != 0)
            ++count;
    }
    return count;
}

DWORD ZDbCategories::ClearCategoryCounts(CEPROPID counter)
{
    // Collect first: writing while walking would depend on the cursor
    // surviving the write.
    std::vector<CEOID> holders;
    for (CEOID oid = SeekFirst(); oid != 0; oid = SeekNext()) {
        RecordProps props;
        if (props.Read(*this, { counter }) && props.Find(counter))
            holders.push_back(oid);
    }
    DWORD cleared = 0;
    for (CEOID oid : holders)
        if (WriteShort(oid, counter, 0))
            ++cleared;
    return cleared;
}
