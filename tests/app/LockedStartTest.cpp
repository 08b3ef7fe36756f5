// The password gate fails closed: when the settings that say whether a
// password is set cannot be read, the program says so once and ends with
// status 1 before the journal is opened.
#include "AppTestSupport.h"
#include "PasswordLock.h"
#include "ProgramObjects.h"
#include "Registry.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(LockedStart, DamagedSettingsStopTheStartWithoutOpeningTheJournal)
{
    GuiApp();
    TempHome home;
    {
        TestStore store;
        ScriptedKeypad keypad({ "2468", "2468" });
        ASSERT_TRUE(PasswordLock(nullptr, store).SetNew());
    }
    {
        // This process lets go of the registry file by using another one.
        TempHome other;
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key);
    }
    setenv("KESTRIN_HOME", home.path().c_str(), 1);
    {
        // The first bytes of the settings file overwritten.
        std::fstream file(home.file("registry.db"), std::ios::in | std::ios::out | std::ios::binary);
        file << std::string(100, 'X');
    }

    RecordingUiHooks hooks;
    ScopedUiHooks installed { hooks };
    ScriptedKeypad keypad({ "1", "2", "3" });
    ProgramObjects program;
    EXPECT_FALSE(program.app.InitInstance(1));
    EXPECT_EQ(program.app.ExitCode(), 1);
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(u"cannot be read"), std::u16string::npos);
    EXPECT_NE(boxes[0].text.find(u"password"), std::u16string::npos);
    EXPECT_TRUE(keypad.modes.empty());
    EXPECT_EQ(program.app.MainWindow(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(home.file("objects.db"))) << "the journal was opened";
}

} // namespace
