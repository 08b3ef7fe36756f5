#include "Registry.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

HKEY Create(HKEY root, const char16_t* path, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
        RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition));
    return key;
}

LONG Open(HKEY root, const char16_t* path, HKEY& key)
{
    return RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key);
}

LONG SetNumber(HKEY key, const char16_t* name, DWORD number)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

LONG SetText(HKEY key, const char16_t* name, std::u16string text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
        static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

// The number stored under `name`, or ~0u when it cannot be read as one.
DWORD Number(HKEY key, const char16_t* name)
{
    DWORD number = 0;
    DWORD bytes = sizeof number;
    DWORD type = REG_NONE;
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &bytes);
    return result == ERROR_SUCCESS && type == REG_DWORD && bytes == 4 ? number : ~0u;
}

std::vector<std::u16string> SubKeyNames(HKEY key)
{
    std::vector<std::u16string> names;
    WCHAR name[256];
    DWORD chars = std::size(name);
    for (DWORD i = 0;
         RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.emplace_back(name, chars);
        chars = std::size(name);
    }
    return names;
}

std::string FileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs the peer program on the current KESTRIN_HOME; returns its exit code
// and what it printed.
int RunPeer(const std::string& arguments, std::string* printed = nullptr)
{
    FILE* pipe = popen((std::string(REGISTRY_PEER) + " " + arguments).c_str(), "r");
    if (!pipe)
        return -1;
    char line[64] = {};
    if (fgets(line, sizeof line, pipe) && printed)
        *printed = line;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Points the process at another data folder and opens a key there, so the
// store of the previous folder is closed (and its log checkpointed).
void LeaveFolder(TempHome& elsewhere)
{
    setenv("KESTRIN_HOME", elsewhere.path().c_str(), 1);
    HKEY key = Create(HKEY_CURRENT_USER, u"Software");
    RegCloseKey(key);
}

} // namespace

TEST(RegistryStore, KeysAndValuesMatchIgnoringCaseAcrossScripts)
{
    TempHome home;
    DWORD disposition = 0;
    HKEY created = Create(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin", &disposition);
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(created, u"iZoom", 150));
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(created, u"Ärger", 1));
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(created, u"Журнал", 2));
    HKEY again = Create(HKEY_CURRENT_USER, u"SOFTWARE\\quorvalent\\KESTRIN", &disposition);
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    EXPECT_EQ(150u, Number(again, u"IZOOM"));
    EXPECT_EQ(1u, Number(again, u"äRGER"));
    EXPECT_EQ(2u, Number(again, u"ЖУРНАЛ"));

    // Writing under another spelling replaces the value and keeps the first name.
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(again, u"IZOOM", 75));
    EXPECT_EQ(75u, Number(created, u"izoom"));
    WCHAR name[16];
    DWORD chars = std::size(name);
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(created, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"iZoom", std::u16string(name, chars));

    // Non-ASCII key names: one key, whatever the letter case.
    HKEY upper = Create(created, u"ÉTÉ");
    HKEY lower = Create(created, u"été", &disposition);
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    EXPECT_EQ((std::vector<std::u16string> { u"ÉTÉ" }), SubKeyNames(created));
    for (HKEY key : { created, again, upper, lower })
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    // HKEY_LOCAL_MACHINE is a separate tree.
    HKEY machine = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, u"Software\\Quorvalent", machine));
}

TEST(RegistryStore, ReportsThePlatformErrorCodes)
{
    TempHome home;
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Test");
    HKEY missing = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_CURRENT_USER, u"Software\\Nothing", missing));
    EXPECT_EQ(nullptr, missing);
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, u"absent", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key, u"absent"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(key, u"absent"));

    // Short buffer: the size needed, the buffer untouched.
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, u"Skin", u"Plum Fairy"));
    BYTE buffer[8] = { 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A };
    DWORD bytes = sizeof buffer;
    DWORD type = REG_NONE;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"Skin", nullptr, &type, buffer, &bytes));
    EXPECT_EQ(22u, bytes);
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(0x5A, buffer[0]);
    bytes = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Skin", nullptr, nullptr, nullptr, &bytes));
    EXPECT_EQ(22u, bytes);

    // Bad arguments.
    DWORD reserved = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, u"Skin", &reserved, nullptr, nullptr, &bytes));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, u"Skin", nullptr, nullptr, buffer, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 4));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(key, u"a", 0, 0, nullptr));
    for (const char16_t* badPath : { u"a\\\\b", u"\\a", u"a\\" })
        EXPECT_EQ(ERROR_INVALID_PARAMETER, Open(HKEY_CURRENT_USER, badPath, missing)) << "path";
    const std::u16string longName(kMaxKeyNameChars + 1, u'k');
    EXPECT_EQ(ERROR_INVALID_PARAMETER, Open(HKEY_CURRENT_USER, longName.c_str(), missing));
    const std::u16string longValueName(kMaxValueNameChars + 1, u'v');
    EXPECT_EQ(ERROR_INVALID_PARAMETER, SetNumber(key, longValueName.c_str(), 1));
    const std::vector<BYTE> tooMuch(kMaxValueBytes + 1);
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
        RegSetValueExW(key, u"big", 0, REG_BINARY, tooMuch.data(), kMaxValueBytes + 1));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"big", 0, REG_BINARY, tooMuch.data(), kMaxValueBytes));

    // Handles: closing twice or using a closed one is refused; roots need no closing.
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, SetNumber(key, u"late", 1));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
}

TEST(RegistryStore, EnumeratesInCreationOrderWithBufferRules)
{
    TempHome home;
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Enum");
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, u"first", 1));
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, u"second", u"two"));
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, u"third", 3));
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, u"FIRST", 11)); // rewriting keeps the position
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"Second"));

    WCHAR name[8];
    DWORD chars = std::size(name);
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD bytes = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS,
        RegEnumValueW(key, 0, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes));
    EXPECT_EQ(u"first", std::u16string(name, chars));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(11u, data);
    chars = std::size(name);
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"third", std::u16string(name, chars));
    chars = std::size(name);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueW(key, 2, name, &chars, nullptr, nullptr, nullptr, nullptr));

    // A name must fit with its terminating zero: "third" needs 6 characters.
    chars = 5;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr));
    chars = 6;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumValueW(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(5u, chars);

    // Sub-keys, with an empty class and a time of last change.
    for (const char16_t* sub : { u"Options", u"alpha", u"Zeta" })
        RegCloseKey(Create(key, sub));
    EXPECT_EQ((std::vector<std::u16string> { u"Options", u"alpha", u"Zeta" }), SubKeyNames(key));
    WCHAR keyClass[4] = { u'x' };
    DWORD classChars = std::size(keyClass);
    FILETIME written {};
    chars = std::size(name);
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExW(key, 0, name, &chars, nullptr, keyClass, &classChars, &written));
    EXPECT_EQ(0, keyClass[0]);
    EXPECT_EQ(0u, classChars);
    EXPECT_GT(written.dwHighDateTime, 0x01D00000u); // after 2014
    chars = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(
        ERROR_INVALID_PARAMETER, RegEnumKeyExW(key, 0, nullptr, &chars, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

// Deleting a key removes everything below it (the system removes its whole
// profile key at uninstallation), and handles on removed keys report so.
TEST(RegistryStore, DeletingAKeyRemovesItsWholeSubtree)
{
    TempHome home;
    HKEY root = Create(HKEY_CURRENT_USER, u"Software\\Quorvalent");
    HKEY deep = Create(root, u"Kestrin\\Options\\Deep");
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(deep, u"n", 1));
    HKEY sibling = Create(root, u"Other");
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(sibling, u"kept", 7));

    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyW(root, u""));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyW(root, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(root, u"KESTRIN"));
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(root, u"Kestrin", gone));
    EXPECT_EQ(ERROR_KEY_DELETED, SetNumber(deep, u"n", 2));
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(deep, u"n", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(7u, Number(sibling, u"kept"));

    // The same path again is a new, empty key; the old handle stays dead.
    HKEY reborn = Create(root, u"Kestrin\\Options\\Deep");
    EXPECT_EQ(~0u, Number(reborn, u"n"));
    EXPECT_EQ(ERROR_KEY_DELETED, SetNumber(deep, u"n", 3));
    // Deleting along a path deletes only its last step.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(root, u"Kestrin\\Options"));
    EXPECT_EQ((std::vector<std::u16string> { u"Other", u"Kestrin" }), SubKeyNames(root));
    for (HKEY key : { root, deep, sibling, reborn })
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST(RegistryStore, TwoProcessesSeeEachOthersWrites)
{
    TempHome home;
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Shared");
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, u"FromTest", 41));
    std::string printed;
    EXPECT_EQ(0, RunPeer("get Software\\\\Shared fromtest", &printed));
    EXPECT_EQ("41\n", printed);
    EXPECT_EQ(0, RunPeer("set SOFTWARE\\\\SHARED FromPeer 42"));
    EXPECT_EQ(42u, Number(key, u"frompeer"));

    // Both write at once; every write lands.
    FILE* peer = popen((std::string(REGISTRY_PEER) + " fill Software\\\\Shared peer 300").c_str(), "r");
    ASSERT_NE(nullptr, peer);
    for (DWORD i = 0; i < 300; ++i)
        ASSERT_EQ(ERROR_SUCCESS, SetNumber(key, (u"mine" + std::u16string(1, u'0' + i % 10)).c_str(), i));
    const int status = pclose(peer);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(299u, Number(key, u"peer299"));
    EXPECT_EQ(299u, Number(key, u"mine9"));
    RegCloseKey(key);
}

TEST(RegistryStore, FollowsTheDataFolderButKeepsOpenHandlesOnTheirFile)
{
    TempHome first;
    HKEY inFirst = Create(HKEY_CURRENT_USER, u"Software\\Where");
    EXPECT_EQ((first.path() / "registry.db").string(), RegistryFilePath());
    TempHome second;
    EXPECT_EQ((second.path() / "registry.db").string(), RegistryFilePath());
    ASSERT_EQ(ERROR_SUCCESS, SetNumber(inFirst, u"n", 1)); // still the first file
    HKEY probe = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_CURRENT_USER, u"Software\\Where", probe));
    EXPECT_TRUE(std::filesystem::exists(second.path() / "registry.db"));
    RegCloseKey(inFirst);
}

TEST(RegistryStore, RefusesADamagedOrForeignFileWithoutTouchingIt)
{
    TempHome elsewhere;
    TempHome home;
    const std::filesystem::path file = home.file("registry.db");
    HKEY key = nullptr;

    // Not a database at all.
    const std::string garbage = "this is not a registry" + std::string(5000, '\x7f');
    WriteFile(file, garbage);
    EXPECT_EQ(ERROR_BADDB,
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_BADDB, Open(HKEY_LOCAL_MACHINE, u"", key)); // asked again, refused again
    EXPECT_EQ(garbage, FileBytes(file));

    // A database of some other program.
    std::filesystem::remove(file);
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "CREATE TABLE notes(x); INSERT INTO notes VALUES(1)", 0, 0, 0));
    sqlite3_close(other);
    const std::string foreign = FileBytes(file);
    EXPECT_EQ(ERROR_BADDB,
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(foreign, FileBytes(file));

    // Our own file with a damaged page.
    std::filesystem::remove(file);
    key = Create(HKEY_CURRENT_USER, u"Software\\Many");
    for (int i = 0; i < 400; ++i)
        SetText(key, (u"value" + std::u16string(1, u'A' + i % 26) + std::u16string(i / 26 + 1, u'x')).c_str(),
            std::u16string(40, u'#'));
    RegCloseKey(key);
    LeaveFolder(elsewhere);
    std::string damaged = FileBytes(file);
    ASSERT_GT(damaged.size(), 3 * 4096u);
    std::fill(damaged.begin() + 2 * 4096, damaged.begin() + 2 * 4096 + 200, '\xEE');
    WriteFile(file, damaged);
    setenv("KESTRIN_HOME", home.path().c_str(), 1);
    EXPECT_EQ(ERROR_BADDB, Open(HKEY_CURRENT_USER, u"Software\\Many", key));
    EXPECT_EQ(damaged, FileBytes(file));
}
