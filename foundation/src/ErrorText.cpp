#include "ZString.h"

#include "SortedTable.h"

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
    { ERROR_DUP_NAME, u"A database with that name already exists." },
    { ERROR_FILE_EXISTS, u"The file already exists." },
    { ERROR_INVALID_PARAMETER, u"The parameter is incorrect." },
    { ERROR_DISK_FULL, u"There is not enough space on the disk." },
    { ERROR_INSUFFICIENT_BUFFER, u"The buffer is too small for the data." },
    { ERROR_ALREADY_EXISTS, u"An object with that name already exists." },
    { ERROR_NO_DATA, u"No data is available." },
    { ERROR_MORE_DATA, u"More data is available." },
    { ERROR_NO_MORE_ITEMS, u"No more items are available." },
    { ERROR_BADDB, u"The database or settings file is damaged." },
    { ERROR_REGISTRY_IO_FAILED, u"The settings file could not be read or written." },
    { ERROR_KEY_DELETED, u"The record or settings key has been deleted." },
};

static_assert(
    IsStrictlyAscending(kErrorTexts, &ErrorEntry::code), "error codes must be unique and ascending");

} // namespace

LPCWSTR ZString::ErrorText(DWORD error)
{
    const ErrorEntry* found = FindByKey(kErrorTexts, &ErrorEntry::code, error);
    return found ? found->text : u"";
}
