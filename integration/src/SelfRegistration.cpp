#include "SelfRegistration.h"

#include "CheckLeftovers.h"
#include "DbCats.h"
#include "DbKestrin.h"
#include "IntegrationExports.h"
#include "JournalProps.h"
#include "ProgramNames.h"
#include "Registry.h"
#include "UiHooks.h"
#include "ZString.h"

#include <filesystem>
#include <string>

namespace {

constexpr const WCHAR* kHosts[] = {
    u"Contacts\\AddIns\\Ozm Kestrin",
    u"Tasks\\AddIns\\Ozm Kestrin",
    u"Calendar\\AddIns\\Ozm Kestrin",
};
constexpr WCHAR kLibraryName[] = u"kstdata.dll";
constexpr WCHAR kOptions[] = u"Options";
constexpr const WCHAR* kDefaultSubjects[] = {
    u"Idea ",
    u"Contact with ",
    u"Suggestion ",
    u"Sale ",
    u"Opportunity ",
    u"Goal ",
    u"Objective ",
};
constexpr WCHAR kOldJournalName[] = u"KestrinX";

// A registry key closed when it goes out of scope.
class Key {
public:
    Key() = default;
    ~Key()
    {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Create(HKEY root, LPCWSTR path)
    {
        return RegCreateKeyExW(
                   root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_, nullptr)
            == ERROR_SUCCESS;
    }
    bool Open(HKEY root, LPCWSTR path)
    {
        return RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool WriteText(HKEY key, LPCWSTR name, LPCWSTR text)
{
    const std::u16string value(text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)))
        == ERROR_SUCCESS;
}

bool WriteNumber(HKEY key, LPCWSTR name, DWORD number)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number)
        == ERROR_SUCCESS;
}

DWORD ReadNumber(HKEY key, LPCWSTR name, DWORD fallback)
{
    DWORD number = 0;
    DWORD type = 0;
    DWORD bytes = sizeof number;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &bytes) != ERROR_SUCCESS
        || type != REG_DWORD || bytes != sizeof number)
        return fallback;
    return number;
}

bool RegisterExtension()
{
    Key extensions;
    if (!extensions.Create(HKEY_LOCAL_MACHINE, kExtensionsKey))
        return false;
    for (LPCWSTR host : kHosts) {
        Key addIn;
        if (!addIn.Create(extensions.Get(), host) || !WriteText(addIn.Get(), u"Dll", kLibraryName)
            || !WriteText(addIn.Get(), u"Menu", kMenuText))
            return false;
    }
    return true;
}

bool SeedSettings()
{
    Key profile;
    if (!profile.Create(HKEY_CURRENT_USER, kProgramProfileKey))
        return false;
    Key options;
    if (!options.Create(profile.Get(), kOptions))
        return false;
    if (ReadNumber(options.Get(), u"scount", 0) == 0) {
        if (!WriteNumber(options.Get(), u"scount", std::size(kDefaultSubjects)))
            return false;
        for (std::size_t i = 0; i < std::size(kDefaultSubjects); ++i) {
            const std::u16string name = u"subj" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            if (!WriteText(options.Get(), name.c_str(), kDefaultSubjects[i]))
                return false;
        }
    }
    return WriteNumber(options.Get(), u"Upgrade", 1);
}

bool RemoveRegistration()
{
    Key extensions;
    if (!extensions.Open(HKEY_LOCAL_MACHINE, kExtensionsKey))
        return false;
    for (LPCWSTR host : kHosts)
        if (RegDeleteKeyW(extensions.Get(), host) != ERROR_SUCCESS)
            return false;
    Key vendor;
    return vendor.Open(HKEY_CURRENT_USER, u"Software\\Quorvalent")
        && RegDeleteKeyW(vendor.Get(), u"Kestrin") == ERROR_SUCCESS;
}

// Checks and deletes the journal; the categories' journal counters are
// reset only when it is gone. False when it could not be deleted.
bool DeleteJournal()
{
    DbKestrin journal;
    if (!journal.Open(nullptr))
        return false;
    ZString ignored;
    journal.Cleanup(TRUE, nullptr, nullptr, &ignored);
    if (!journal.Delete())
        return false;
    DbCats categories;
    if (categories.Open(nullptr)) {
        categories.ClearCategoryCounts(PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }
    return true;
}

// The integrity check's safety copies: the one a check writes, the ones kept
// from checks that did not finish and the temporary files of interrupted ones.
void RemoveSafetyCopies()
{
    RemoveInterruptedCheckFiles();
    const std::filesystem::path copy = SafetyCopyPath();
    const std::string stem = copy.stem().string() + "-kept-";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(copy.parent_path(), ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(stem, 0) == 0 && entry.path().extension() == copy.extension())
            std::filesystem::remove(entry.path(), ignored);
    }
    std::filesystem::remove(copy, ignored);
}

void DeleteOldJournal()
{
    ZCeDbase old;
    if (old.Exists(kOldJournalName) && old.OpenDb(kOldJournalName, 0, 0, nullptr))
        old.DeleteDb(0);
}

} // namespace

HRESULT RegisterJournal()
{
    return RegisterExtension() && SeedSettings() ? S_OK : E_FAIL;
}

HRESULT UnregisterJournal()
{
    if (!RemoveRegistration())
        return E_FAIL;
    if (MessageBoxW(nullptr, kDeleteQuestion, kProgramWindowTitle, MB_YESNO | MB_SETFOREGROUND) != IDYES)
        return S_OK;
    SetWaitCursor(true);
    // First, so the check before the deletion does not keep a copy it finds.
    RemoveSafetyCopies();
    const bool deleted = DeleteJournal();
    DeleteOldJournal();
    SetWaitCursor(false);
    if (!deleted)
        MessageBoxW(
            nullptr, kDeleteFailedText, kProgramWindowTitle, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return S_OK;
}

extern "C" HRESULT DllRegisterServer()
{
    return RegisterJournal();
}

extern "C" HRESULT DllUnregisterServer()
{
    return UnregisterJournal();
}
