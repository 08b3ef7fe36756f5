#include "PimFolders.h"

#include "DataFolder.h"
#include "Registry.h"

#include <string>

namespace {

constexpr WCHAR kOptionsKey[] = u"Software\\Quorvalent\\Kestrin\\Options";

std::u16string ToWide(const std::filesystem::path& path)
{
    return path.u16string();
}

// The text value `name` of the options key; empty when missing or not text.
std::u16string ReadText(LPCWSTR name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::u16string text;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ
        && bytes >= sizeof(WCHAR)) {
        text.resize(bytes / sizeof(WCHAR));
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes)
            != ERROR_SUCCESS)
            text.clear();
        // The stored text ends with its zero, which is not part of it.
        while (!text.empty() && text.back() == u'\0')
            text.pop_back();
    }
    RegCloseKey(key);
    return text;
}

} // namespace

const std::filesystem::path& PimFolders::Folder(Kind kind) const
{
    switch (kind) {
    case kCalendar:
        return calendar;
    case kTasks:
        return tasks;
    default:
        return contacts;
    }
}

LPCWSTR PimFolderValueName(PimFolders::Kind kind)
{
    switch (kind) {
    case PimFolders::kCalendar:
        return u"CalendarFolder";
    case PimFolders::kTasks:
        return u"TasksFolder";
    default:
        return u"ContactsFolder";
    }
}

std::filesystem::path DefaultPimFolder(PimFolders::Kind kind)
{
    switch (kind) {
    case PimFolders::kCalendar:
        return DataFolder() / "calendar";
    case PimFolders::kTasks:
        return DataFolder() / "tasks";
    default:
        return DataFolder() / "contacts";
    }
}

PimFolders ReadPimFolders()
{
    PimFolders folders;
    for (PimFolders::Kind kind : { PimFolders::kContacts, PimFolders::kCalendar, PimFolders::kTasks }) {
        const std::u16string stored = ReadText(PimFolderValueName(kind));
        std::filesystem::path folder
            = stored.empty() ? DefaultPimFolder(kind) : std::filesystem::path(stored);
        switch (kind) {
        case PimFolders::kContacts:
            folders.contacts = std::move(folder);
            break;
        case PimFolders::kCalendar:
            folders.calendar = std::move(folder);
            break;
        case PimFolders::kTasks:
            folders.tasks = std::move(folder);
            break;
        }
    }
    return folders;
}

bool WritePimFolder(PimFolders::Kind kind, const std::filesystem::path& folder)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    LONG result;
    if (folder.empty()) {
        result = RegDeleteValueW(key, PimFolderValueName(kind));
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_SUCCESS;
    } else {
        const std::u16string text = ToWide(folder);
        result = RegSetValueExW(key, PimFolderValueName(kind), 0, REG_SZ,
            reinterpret_cast<const BYTE*>(text.c_str()),
            static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
