#include "AddressBook.h"

#include "CodePage.h"
#include "DataFolder.h"
#include "Registry.h"

#include <vector>

namespace {

PimStore* g_replacement = nullptr;

// A text setting of any length (the settings store's own reads stop at 155
// characters, too short for a path); empty when missing or not a text.
std::u16string ReadLongText(ZRegistry& settings, LPCWSTR name)
{
    if (!settings.GetPath())
        return {};
    std::u16string keyPath = settings.GetPath();
    keyPath += u"\\";
    keyPath += AddressBook::kSection;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD bytes = 0;
    std::u16string text;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ
        && bytes >= sizeof(WCHAR)) {
        std::vector<WCHAR> buffer(bytes / sizeof(WCHAR) + 1, 0);
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes)
            == ERROR_SUCCESS)
            text = buffer.data();
    }
    RegCloseKey(key);
    return text;
}

std::filesystem::path FolderSetting(ZRegistry& settings, LPCWSTR name, const char* fallback)
{
    const std::u16string text = ReadLongText(settings, name);
    if (text.empty())
        return DataFolder() / fallback;
    return std::filesystem::path(EncodeSystemCodePage(text));
}

} // namespace

VdirPimStore::Folders AddressBook::Folders(ZRegistry& settings)
{
    return { FolderSetting(settings, kContactsFolder, "contacts"),
        FolderSetting(settings, kCalendarFolder, "calendar"),
        FolderSetting(settings, kTasksFolder, "tasks") };
}

PimStore& AddressBook::Store(ZRegistry& settings)
{
    if (g_replacement)
        return *g_replacement;
    static VdirPimStore store;
    store.SetFolders(Folders(settings));
    return store;
}

void AddressBook::Replace(PimStore* store)
{
    g_replacement = store;
}
