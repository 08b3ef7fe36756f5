#include "ZRegistry.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

constexpr const char16_t* kProfile = u"Software\\Quorvalent\\Kestrin";

// A fresh data folder, the UI hooks recorded, and the profile key open.
struct ZRegistryTest : ::testing::Test {
    void SetUp() override { ASSERT_EQ(ERROR_SUCCESS, settings.Open(kProfile)); }

    std::size_t Boxes() const { return ui.Count(UiCall::Kind::MessageBox); }

    // Writes a value behind the store's back, as another program could.
    void WriteRaw(const char16_t* name, DWORD type, const void* data, DWORD bytes)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin\\Options", 0, nullptr, 0,
                KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
        RegCloseKey(key);
    }

    std::u16string Read(const char16_t* name, const char16_t* fallback = u"default")
    {
        WCHAR text[ZRegistry::kTextBufferChars + 1];
        text[ZRegistry::kTextBufferChars] = u'#'; // must survive every read
        settings.ReadString(u"Options", name, fallback, text);
        EXPECT_EQ(u'#', text[ZRegistry::kTextBufferChars]);
        return text;
    }

    TempHome home;
    RecordingUiHooks ui;
    ScopedUiHooks scoped { ui };
    ZRegistry settings;
};

bool KeyExists(HKEY root, const char16_t* path)
{
    HKEY key = nullptr;
    const bool exists = RegOpenKeyExW(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

} // namespace

TEST_F(ZRegistryTest, ReadsOfMissingSettingsGiveDefaultsAndCreateNothing)
{
    EXPECT_EQ(kProfile, std::u16string(settings.GetPath()));
    EXPECT_EQ(100, settings.ReadInt(u"Options", u"iZoom", 100));
    EXPECT_EQ(u"Plum Fairy", Read(u"Skin", u"Plum Fairy"));
    EXPECT_EQ(u"", Read(u"Skin", nullptr));
    ZString text;
    settings.ReadZString(u"Options", u"Last", u"abc", text);
    EXPECT_EQ(u"abc", text.ToU16());
    EXPECT_EQ(0, settings.ValueExists(u"Options", u"iZoom"));
    EXPECT_EQ(0, settings.ValueExists(u"", u"iZoom"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin\\Options"));
    EXPECT_EQ(0u, Boxes());
}

TEST_F(ZRegistryTest, WritesCreateSectionsThatAreFoundInAnyLetterCase)
{
    EXPECT_EQ(1, settings.WriteInt(u"Options", u"iZoom", 150));
    EXPECT_EQ(1, settings.WriteInt(u"Options", u"vSplit", -5));
    EXPECT_EQ(1, settings.WriteString(u"Options", u"Skin", u"Night Owl"));
    EXPECT_EQ(150, settings.ReadInt(u"OPTIONS", u"IZOOM", 100));
    EXPECT_EQ(-5, settings.ReadInt(u"options", u"vsplit", 0));
    EXPECT_EQ(u"Night Owl", Read(u"SKIN"));
    EXPECT_EQ(1, settings.ValueExists(u"oPTIONS", u"IZOOM"));
    EXPECT_EQ(0, settings.ValueExists(u"Options", nullptr));

    // The empty section is the profile key itself.
    EXPECT_EQ(1, settings.WriteInt(u"", u"top", 7));
    EXPECT_EQ(7, settings.ReadInt(nullptr, u"TOP", 0));
    EXPECT_EQ(0, settings.ReadInt(u"Options", u"top", 0));
    EXPECT_EQ(0u, Boxes());
}

TEST_F(ZRegistryTest, TextsOfUpTo155CharactersReadBackWhole)
{
    const std::u16string longest(155, u'a');
    const std::u16string tooLong(156, u'b');
    ASSERT_EQ(1, settings.WriteString(u"Options", u"longest", longest.c_str()));
    ASSERT_EQ(1, settings.WriteString(u"Options", u"tooLong", tooLong.c_str()));
    EXPECT_EQ(longest, Read(u"longest"));
    EXPECT_EQ(u"default", Read(u"tooLong"));
    ZString text;
    EXPECT_EQ(155, settings.ReadZString(u"Options", u"longest", u"", text));
    // A default longer than the destination is cut, not overrun.
    EXPECT_EQ(std::u16string(155, u'c'), Read(u"missing", std::u16string(400, u'c').c_str()));
}

// Values written by something else than the settings store are outside input.
TEST_F(ZRegistryTest, ValuesOfTheWrongTypeOrShapeReadAsDefaults)
{
    const char16_t unterminated[] = { u'a', u'b', u'c' };
    WriteRaw(u"unterminated", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(u"abc", Read(u"unterminated"));
    const std::u16string full(156, u'x'); // 312 bytes, no room for a zero
    WriteRaw(u"full", REG_SZ, full.data(), 312);
    EXPECT_EQ(u"default", Read(u"full"));
    WriteRaw(u"odd", REG_SZ, u"hi!", 5); // the half character is dropped
    EXPECT_EQ(u"hi", Read(u"odd"));
    WriteRaw(u"inner", REG_SZ, u"ab\0cd", 12);
    EXPECT_EQ(u"ab", Read(u"inner"));

    const DWORD number = 0x00310032;
    WriteRaw(u"number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(u"default", Read(u"number"));
    WriteRaw(u"oneChar", REG_SZ, u"1", 4); // four bytes, but a text
    EXPECT_EQ(9, settings.ReadInt(u"Options", u"oneChar", 9));
    WriteRaw(u"short", REG_DWORD, &number, 2);
    EXPECT_EQ(9, settings.ReadInt(u"Options", u"short", 9));
    WriteRaw(u"long", REG_DWORD, full.data(), 8);
    EXPECT_EQ(9, settings.ReadInt(u"Options", u"long", 9));
    WriteRaw(u"binary", REG_BINARY, &number, sizeof number);
    EXPECT_EQ(9, settings.ReadInt(u"Options", u"binary", 9));
    EXPECT_EQ(0u, Boxes());
}

TEST_F(ZRegistryTest, DeletesValuesOnlyInNamedSectionsAndWholeSections)
{
    settings.WriteInt(u"", u"top", 1);
    settings.WriteInt(u"Options", u"iZoom", 150);
    EXPECT_EQ(0, settings.DeleteValue(u"", u"top"));
    EXPECT_EQ(1, settings.ReadInt(u"", u"top", 0));
    EXPECT_EQ(1, settings.DeleteValue(u"OPTIONS", u"izoom"));
    EXPECT_EQ(0, settings.DeleteValue(u"Options", u"iZoom"));
    EXPECT_EQ(0, settings.DeleteValue(u"Nowhere", u"iZoom"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin\\Nowhere"));

    settings.WriteInt(u"Options", u"iZoom", 150);
    EXPECT_EQ(0, settings.DeleteSection(u""));
    EXPECT_EQ(1, settings.DeleteSection(u"options"));
    EXPECT_EQ(100, settings.ReadInt(u"Options", u"iZoom", 100));
    EXPECT_EQ(0, settings.DeleteSection(u"Options"));
    EXPECT_EQ(1, settings.ReadInt(u"", u"top", 0));
    EXPECT_EQ(0u, Boxes());
}

TEST_F(ZRegistryTest, FindsListItemsUntilTheFirstGap)
{
    settings.WriteString(u"Options", u"subj0", u"Idea ");
    settings.WriteString(u"Options", u"subj1", u"Sale ");
    settings.WriteString(u"Options", u"subj3", u"Goal ");
    EXPECT_EQ(2, settings.FindListString(u"Options", u"subj", u"Sale ", 4));
    EXPECT_EQ(1, settings.FindListString(u"Options", u"subj", u"Idea ", 4));
    EXPECT_EQ(0, settings.FindListString(u"Options", u"subj", u"Goal ", 4));
    EXPECT_EQ(0, settings.FindListString(u"Options", u"subj", u"sale ", 4));
    EXPECT_EQ(0, settings.FindListString(u"Options", u"subj", u"Sale ", 1));
    EXPECT_EQ(0, settings.FindListString(u"Options", u"subj", u"Idea ", 0));
    EXPECT_EQ(0, settings.FindListString(u"Options", u"subj", u"Idea ", -3));

    for (int i = 0; i < 12; ++i)
        settings.WriteString(u"Options", ZString::FromUtf8("flt" + std::to_string(i)), u"item");
    settings.WriteString(u"Options", u"flt11", u"Work");
    EXPECT_EQ(12, settings.FindListString(u"Options", u"flt", u"Work", 12));
}

TEST_F(ZRegistryTest, WriteFailuresShowTheSystemTextInAnErrorBox)
{
    // The profile key vanishes under the program (another process removed it).
    ZRegistry other;
    ASSERT_EQ(ERROR_SUCCESS, other.Open(u"Software\\Quorvalent"));
    ASSERT_EQ(1, other.DeleteSection(u"Kestrin"));

    EXPECT_EQ(1, settings.WriteInt(u"", u"iZoom", 150));
    EXPECT_EQ(0, settings.WriteString(u"", u"Skin", u"x"));
    ASSERT_EQ(2u, Boxes());
    const UiCall box = ui.Calls(UiCall::Kind::MessageBox)[0];
    EXPECT_EQ(u"Error", box.caption);
    EXPECT_EQ(std::u16string(ZString::ErrorText(ERROR_KEY_DELETED)), box.text);
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.flags);
    EXPECT_EQ(nullptr, box.owner);

    // Reads stay silent whatever failed.
    EXPECT_EQ(3, settings.ReadInt(u"", u"iZoom", 3));
    EXPECT_EQ(3, settings.ReadInt(u"Options", u"iZoom", 3));
    EXPECT_EQ(u"default", Read(u"Skin"));
    EXPECT_EQ(0, settings.ValueExists(u"Options", u"Skin"));
    EXPECT_EQ(2u, Boxes());

    // A write into a section that cannot be created: one box for the
    // section, one for the write.
    ui.Clear();
    ASSERT_EQ(ERROR_SUCCESS, settings.Open(kProfile));
    EXPECT_EQ(0, settings.WriteString(u"Bad\\\\Section", u"Skin", u"x"));
    EXPECT_EQ(2u, Boxes());
}

TEST(ZRegistry, OpenReportsTheCodeAndCloseIsQuietWithoutAKey)
{
    TempHome home;
    RecordingUiHooks ui;
    ScopedUiHooks scoped(ui);
    {
        ZRegistry neverOpened;
        EXPECT_EQ(1, neverOpened.Close());
        EXPECT_EQ(nullptr, neverOpened.GetPath());
        EXPECT_EQ(5, neverOpened.ReadInt(u"Options", u"x", 5));
    }
    EXPECT_EQ(0u, ui.Count(UiCall::Kind::MessageBox));

    // A damaged settings file: the code comes back and is shown once.
    std::ofstream(home.file("registry.db"), std::ios::binary) << std::string(4096, 'Z');
    {
        ZRegistry settings;
        EXPECT_EQ(static_cast<LONG>(ERROR_BADDB), settings.Open(kProfile));
        EXPECT_EQ(kProfile, std::u16string(settings.GetPath()));
        EXPECT_EQ(0, settings.OpenUnder(HKEY_LOCAL_MACHINE, u"Software"));
    }
    ASSERT_EQ(2u, ui.Count(UiCall::Kind::MessageBox));
    EXPECT_EQ(std::u16string(ZString::ErrorText(ERROR_BADDB)), ui.Calls(UiCall::Kind::MessageBox)[0].text);
}

TEST(ZRegistry, OpensUnderEitherRootWithNestedSectionNames)
{
    TempHome home;
    RecordingUiHooks ui;
    ScopedUiHooks scoped(ui);
    ZRegistry registration;
    ASSERT_EQ(1, registration.OpenUnder(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\PimApps\\PimExtensions"));
    ASSERT_EQ(1, registration.WriteString(u"Contacts\\AddIns\\Ozm Kestrin", u"Menu", u"Add Kestrin Entry"));
    EXPECT_TRUE(
        KeyExists(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\PimApps\\PimExtensions\\Contacts\\AddIns"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Microsoft"));
    EXPECT_EQ(1, registration.DeleteSection(u"Contacts\\AddIns\\Ozm Kestrin"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
        u"Software\\Microsoft\\PimApps\\PimExtensions\\Contacts\\AddIns\\Ozm "
        u"Kestrin"));

    // Opening again moves the store to the new key.
    ASSERT_EQ(ERROR_SUCCESS, registration.Open(kProfile));
    registration.WriteInt(u"Options", u"Upgrade", 1);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin\\Options"));
    EXPECT_EQ(1, registration.Close());
    EXPECT_EQ(1, registration.Close());
    EXPECT_EQ(0u, ui.Count(UiCall::Kind::MessageBox));
}
