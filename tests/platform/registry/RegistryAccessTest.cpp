// A registry file that cannot be written is still read: opening existing
// keys (also with RegCreateKeyExW, as every program start does) and reading
// work on a read-only folder, writes are refused with 5; the file is private.

#include "ChildProcess.h"
#include "Registry.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

namespace {

constexpr const char16_t* kProfile = u"Software\\Quorvalent\\Kestrin";

LONG SetNumber(HKEY key, const char16_t* name, DWORD number)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// "" when the profile key opens (through create, as the settings store does)
// and holds Lock = 1, and a write is refused with 5.
std::string ReadOnlyProblem()
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, kProfile, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return "profile key not opened: " + std::to_string(result);
    std::string problem;
    DWORD number = 0, bytes = sizeof number, type = 0;
    result = RegQueryValueExW(key, u"Lock", nullptr, &type, reinterpret_cast<BYTE*>(&number), &bytes);
    if (result != ERROR_SUCCESS || number != 1)
        problem = "value not read: " + std::to_string(result);
    else if ((result = SetNumber(key, u"Lock", 0)) != ERROR_ACCESS_DENIED)
        problem = "write gave " + std::to_string(result);
    RegCloseKey(key);
    return problem;
}

TEST(RegistryAccess, AReadOnlyRegistryIsReadAndRefusesWrites)
{
    TempHome home;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
        RegCreateKeyExW(HKEY_CURRENT_USER, kProfile, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, u"Lock", 1));
    RegCloseKey(key);
    struct stat info { };
    ASSERT_EQ(0, ::stat(home.file("registry.db").c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 07777);

    {
        // Another data folder takes over, so this process lets go of the file
        // (the child must open it afresh).
        TempHome other;
        HKEY elsewhere = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, kProfile, 0, KEY_READ, &elsewhere);
        ::chmod(home.file("registry.db").c_str(), 0444);
        ::chmod(home.path().c_str(), 0555);
        const std::string outcome = InChildProcess(ChildRights::OrdinaryUser, [&] {
            setenv("KESTRIN_HOME", home.path().c_str(), 1);
            return ReadOnlyProblem();
        });
        EXPECT_EQ("", outcome);
        EXPECT_EQ(std::vector<std::string> { "registry.db" }, FileNames(home.path()));
        ::chmod(home.path().c_str(), 0700);
    }
}

} // namespace
