// Self-registration: the registry values written and kept, the desktop
// entry of kestrin-setup, and unregistering with either answer, including a
// journal that cannot be deleted.

#include "DataFolder.h"
#include "DbCats.h"
#include "DbKestrin.h"
#include "IntegrationExports.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "Registry.h"
#include "SelfRegistration.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() { profile.Open(u"Software\\Quorvalent\\Kestrin"); }

    std::u16string Text(HKEY root, const std::u16string& key, LPCWSTR name)
    {
        HKEY open = nullptr;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
            return u"<no key>";
        WCHAR buffer[256] {};
        DWORD bytes = sizeof buffer;
        DWORD type = 0;
        const LONG result
            = RegQueryValueExW(open, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
        RegCloseKey(open);
        return result == ERROR_SUCCESS ? std::u16string(buffer) : u"<no value>";
    }
    bool KeyExists(HKEY root, const std::u16string& key)
    {
        HKEY open = nullptr;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
            return false;
        RegCloseKey(open);
        return true;
    }
    std::u16string Subject(int n)
    {
        ZString text;
        const std::u16string name = u"subj" + std::u16string(1, static_cast<char16_t>(u'0' + n));
        profile.ReadZString(u"Options", name.c_str(), u"<none>", text);
        return text.IsEmpty() ? u"" : std::u16string(text);
    }
    int JournalCount(const std::u16string& category)
    {
        for (const CategoryInfo& info : ListCategories())
            if (info.name == category)
                return info.journalCount;
        return -1;
    }
    bool DatabaseExists(LPCWSTR name)
    {
        ZCeDbase probe;
        return probe.Exists(name) != 0;
    }
    void WriteJournal()
    {
        DbKestrin journal;
        ASSERT_TRUE(journal.Open(nullptr));
        ASSERT_NE(
            AddEntry(journal, { .subject = u"Call", .date = At(2006, 1, 2), .categories = { u"Business" } }),
            0u);
        ASSERT_NE(
            AddEntry(journal, { .subject = u"Mail", .date = At(2006, 1, 3), .categories = { u"Business" } }),
            0u);
        ZCeDbase old;
        ASSERT_TRUE(old.Create(u"KestrinX", 22437, 0, nullptr));
        // Left by checks that did not finish.
        std::ofstream(DataFolder() / "kssave-bkup.ksk") << "left by a check that was cut short";
        std::ofstream(DataFolder() / "kssave-bkup-kept-20260101-101010.ksk") << "kept from an earlier one";
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    ZRegistry profile;
};

} // namespace

TEST_F(RegistrationTest, RegisteringWritesTheExtensionAndKeepsTheUsersSubjects)
{
    EXPECT_EQ(DllRegisterServer(), S_OK);
    for (const std::u16string host : { u"Contacts", u"Tasks", u"Calendar" }) {
        const std::u16string key = std::u16string(kExtensionsKey) + u"\\" + host + u"\\AddIns\\Ozm Kestrin";
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, key, u"Dll"), u"kstdata.dll");
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, key, u"Menu"), u"Add Kestrin Entry");
    }
    EXPECT_EQ(profile.ReadInt(u"Options", u"scount", 0), 7);
    EXPECT_EQ(Subject(0), u"Idea ");
    EXPECT_EQ(Subject(6), u"Objective ");
    EXPECT_EQ(profile.ReadInt(u"Options", u"Upgrade", 0), 1);

    // The user's own subjects stay; "Upgrade" is set again.
    profile.WriteInt(u"Options", u"scount", 2);
    profile.WriteString(u"Options", u"subj0", u"Mine ");
    profile.WriteInt(u"Options", u"Upgrade", 0);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(profile.ReadInt(u"Options", u"scount", 0), 2);
    EXPECT_EQ(Subject(0), u"Mine ");
    EXPECT_EQ(profile.ReadInt(u"Options", u"Upgrade", 0), 1);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(RegistrationTest, UnregisterWithNoKeepsTheJournal)
{
    WriteJournal();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    hooks.QueueAnswer(IDNO);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Delete the Ozm Kestrin Database");
    EXPECT_EQ(boxes[0].caption, u"Ozm Kestrin");
    EXPECT_FALSE(
        KeyExists(HKEY_LOCAL_MACHINE, std::u16string(kExtensionsKey) + u"\\Contacts\\AddIns\\Ozm Kestrin"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin"));
    EXPECT_TRUE(DatabaseExists(u"Kestrin"));
    EXPECT_TRUE(DatabaseExists(u"DbRelX"));
    EXPECT_EQ(JournalCount(u"Business"), 2);
    // Not registered any more: a second unregister fails.
    EXPECT_EQ(DllUnregisterServer(), E_FAIL);
}

TEST_F(RegistrationTest, UnregisterWithYesDeletesTheJournalAndItsTraces)
{
    WriteJournal();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    hooks.QueueAnswer(IDYES);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(DatabaseExists(u"Kestrin"));
    EXPECT_FALSE(DatabaseExists(u"DbRelX"));
    EXPECT_FALSE(DatabaseExists(u"KestrinX"));
    EXPECT_EQ(JournalCount(u"Business"), 0);
    EXPECT_FALSE(std::filesystem::exists(DataFolder() / "kssave-bkup.ksk"));
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u); // the question only
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
        EXPECT_NE(entry.path().filename().string().rfind("kssave-bkup", 0), 0u) << entry.path();
}

TEST_F(RegistrationTest, AJournalThatCannotBeDeletedKeepsItsCategoryCounts)
{
    WriteJournal();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    // Another user of the journal holds it open: it cannot be deleted.
    DbKestrin holder;
    ASSERT_TRUE(holder.Open(nullptr));
    hooks.QueueAnswer(IDYES);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    holder.Close();
    EXPECT_TRUE(DatabaseExists(u"Kestrin"));
    EXPECT_EQ(JournalCount(u"Business"), 2);
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, kDeleteFailedText);
}

TEST_F(RegistrationTest, SetupInstallsAndRemovesTheDesktopEntry)
{
    const std::filesystem::path data = home.file("xdg-data");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    const std::string setup = KST_SETUP;
    ASSERT_EQ(std::system((setup + " register").c_str()), 0);
    const std::filesystem::path entry = data / "applications" / "kestrin-pim.desktop";
    std::ifstream in(entry);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Name=Add Kestrin Entry\n"), std::string::npos);
    EXPECT_NE(
        text.str().find("MimeType=text/vcard;text/x-vcard;text/directory;text/calendar;"), std::string::npos);
    EXPECT_NE(text.str().find("kestrin-pim\" %f"), std::string::npos);
    EXPECT_EQ(profile.ReadInt(u"Options", u"Upgrade", 0), 1);

    EXPECT_EQ(std::system((setup + " unregister --no </dev/null 2>/dev/null").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin"));
    EXPECT_NE(std::system((setup + " frobnicate 2>/dev/null").c_str()), 0);
    unsetenv("XDG_DATA_HOME");
}
