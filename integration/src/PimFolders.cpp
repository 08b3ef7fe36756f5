#include "PimFolders.h"

#include "AddressBook.h"
#include "ProgramNames.h"
#include "Registry.h"
#include "ZRegistry.h"

#include <string>

namespace {

LPCWSTR ValueName(PimFolderKind kind)
{
    switch (kind) {
    case PimFolderKind::Calendar:
        return AddressBook::kCalendarFolder;
    case PimFolderKind::Tasks:
        return AddressBook::kTasksFolder;
    default:
        return AddressBook::kContactsFolder;
    }
}

} // namespace

VdirPimStore::Folders ReadPimFolders()
{
    ZRegistry settings;
    settings.Open(kProgramProfileKey);
    return AddressBook::Folders(settings);
}

const std::filesystem::path& PimFolder(const VdirPimStore::Folders& folders, PimFolderKind kind)
{
    switch (kind) {
    case PimFolderKind::Calendar:
        return folders.calendar;
    case PimFolderKind::Tasks:
        return folders.tasks;
    default:
        return folders.contacts;
    }
}

bool WritePimFolder(PimFolderKind kind, const std::filesystem::path& folder)
{
    const std::u16string key = std::u16string(kProgramProfileKey) + u"\\" + AddressBook::kSection;
    HKEY options = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
            nullptr, &options, nullptr)
        != ERROR_SUCCESS)
        return false;
    LONG result;
    if (folder.empty()) {
        result = RegDeleteValueW(options, ValueName(kind));
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_SUCCESS;
    } else {
        const std::u16string text = folder.u16string();
        result
            = RegSetValueExW(options, ValueName(kind), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    RegCloseKey(options);
    return result == ERROR_SUCCESS;
}
