// What a new store holds before anyone writes to it: the shared categories
// database with a small default set of categories.

#include "ObjectStore.h"
#include "Store.h"

#include "LastError.h"

#include <iterator>

namespace objectstore {

namespace {

// Category record properties (the layout the journal's category classes read).
constexpr CEPROPID kCategoryName = 0x4001001F;
constexpr CEPROPID kCategoryIndex = 0x40020002;
constexpr CEPROPID kCategoryVisible = 0x40030002;
constexpr CEPROPID kOtherCounters[] = { 0x40040002, 0x40050002, 0x40060002 };

constexpr const char16_t* kDefaultCategories[] = {
    u"Business",
    u"Personal",
    u"Family",
    u"Friends",
    u"Ideas",
    u"Projects",
    u"Travel",
    u"Miscellaneous",
};

CEPROPVAL ShortValue(CEPROPID id, SHORT value)
{
    CEPROPVAL v {};
    v.propid = id;
    v.val.iVal = value;
    return v;
}

} // namespace

std::string Store::Provision()
{
    // Sorted by name for lookups and by index number for finding a free one.
    const SORTORDERSPEC sorts[] = { { kCategoryName, CEDB_SORT_CASEINSENSITIVE }, { kCategoryIndex, 0 } };
    const auto fail = [](const char* what) {
        return std::string("cannot provision the categories database (") + what + ", error "
            + std::to_string(GetLastError()) + ")";
    };
    if (!CreateDatabase(ObjectStore::kCategoriesDatabaseName, ObjectStore::kCategoriesDatabaseType,
            static_cast<WORD>(std::size(sorts)), sorts))
        return fail("create");
    CEOID db = 0;
    HANDLE h = OpenDatabase(&db, ObjectStore::kCategoriesDatabaseName, 0, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("open");
    std::string error;
    SHORT index = 0;
    for (const char16_t* name : kDefaultCategories) {
        CEPROPVAL values[6] = { {}, ShortValue(kCategoryIndex, index++), ShortValue(kCategoryVisible, 1) };
        values[0].propid = kCategoryName;
        values[0].val.lpwstr = const_cast<LPWSTR>(name);
        for (int i = 0; i < 3; ++i)
            values[3 + i] = ShortValue(kOtherCounters[i], 0);
        if (!WriteProps(h, 0, static_cast<WORD>(std::size(values)), values)) {
            error = fail("write");
            break;
        }
    }
    CloseHandle(h);
    return error;
}

} // namespace objectstore
