#include "ZString.h"

#include <algorithm>
#include <iterator>

namespace {

struct ErrorEntry {
    DWORD code;
    LPCWSTR text;
};

// English texts of the platform error codes that the stand-ins set. Sorted by
// code; a code missing here has no text.
constexpr ErrorEntry kErrorTexts[] = {
    { ERROR_SUCCESS, u"The operation completed successfully." },
    { ERROR_FILE_NOT_FOUND, u"The file or database cannot be found." },
    { ERROR_ACCESS_DENIED, u"Access is denied." },
    { ERROR_INVALID_HANDLE, u"The handle is invalid." },
    { ERROR_NOT_ENOUGH_MEMORY, u"There is not enough memory to complete this operation." },
    { ERROR_SHARING_VIOLATION, u"The file or database is in use by another process." },
    { ERROR_HANDLE_EOF, u"The end of the file has been reached." },
    { ERROR_FILE_EXISTS, u"The file already exists." },
    { ERROR_INVALID_PARAMETER, u"The parameter is incorrect." },
    { ERROR_DISK_FULL, u"There is not enough space on the disk." },
    { ERROR_INSUFFICIENT_BUFFER, u"The buffer is too small for the data." },
    { ERROR_ALREADY_EXISTS, u"An object with that name already exists." },
    { ERROR_NO_DATA, u"No data is available." },
    { ERROR_MORE_DATA, u"More data is available." },
    { ERROR_NO_MORE_ITEMS, u"No more items are available." },
    { ERROR_BADDB, u"The settings database is damaged." },
    { ERROR_KEY_DELETED, u"The settings key has been deleted." },
};

constexpr bool IsSortedByCode()
{
    for (std::size_t i = 1; i < std::size(kErrorTexts); ++i) {
        if (kErrorTexts[i - 1].code >= kErrorTexts[i].code)
            return false;
    }
    return true;
}
static_assert(IsSortedByCode(), "error codes must be unique and ascending");

} // namespace

LPCWSTR ZString::ErrorText(DWORD error)
{
    const auto* end = std::end(kErrorTexts);
    const auto* found = std::lower_bound(std::begin(kErrorTexts), end, error,
        [](const ErrorEntry& entry, DWORD key) { return entry.code < key; });
    return (found != end && found->code == error) ? found->text : u"";
}
