// The password lock: what is stored (never the digits), the keypad's modes,
// setting, asking, clearing, the start-up gate's three attempts, and a lock
// switched on without a stored password.
#include "AppTestSupport.h"
#include "KeypadDialog.h"
#include "PasswordHash.h"
#include "PasswordLock.h"
#include "Settings.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class PasswordTest : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }

    std::vector<std::u16string> Texts() const
    {
        std::vector<std::u16string> texts;
        for (const UiCall& call : hooks.Calls(UiCall::Kind::MessageBox))
            texts.push_back(call.text);
        return texts;
    }
    QString StoredRecord() { return Settings(store).PasswordRecord().ToQString(); }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks installed { hooks };
    TestStore store;
};

const std::u16string kWrong = u"Incorrect Password.\nAccess Denied!";

} // namespace

TEST(PasswordHashTest, StoresASaltedHashAndComparesExactly)
{
    const QString record = PasswordHash::Make("0123");
    ASSERT_TRUE(PasswordHash::IsHashRecord(record));
    EXPECT_FALSE(record.contains("0123"));
    EXPECT_NE(PasswordHash::Make("0123"), record); // a fresh salt each time
    EXPECT_TRUE(PasswordHash::Verify(record, "0123"));
    EXPECT_FALSE(PasswordHash::Verify(record, "123")); // leading zeros count
    EXPECT_FALSE(PasswordHash::Verify(record, "01234"));
    EXPECT_FALSE(PasswordHash::Verify(record, ""));

    // Damaged records never match, whatever is typed.
    const QStringList parts = record.split('$');
    for (const QString& damaged : {
             QString("pbkdf2-sha256$"),
             parts[0] + "$abc$" + parts[2] + '$' + parts[3],
             parts[0] + "$999999999$" + parts[2] + '$' + parts[3], // would take minutes
             parts[0] + '$' + parts[1] + "$!!!$" + parts[3],
             parts[0] + '$' + parts[1] + '$' + parts[2] + '$' + parts[3].left(10),
             record + "$extra",
         })
        EXPECT_FALSE(PasswordHash::Verify(damaged, "0123")) << damaged.toStdString();

    // A password an older version stored as typed still verifies, exactly.
    EXPECT_TRUE(PasswordHash::Verify("0042", "0042"));
    EXPECT_FALSE(PasswordHash::Verify("0042", "42"));
    EXPECT_FALSE(PasswordHash::Verify("", ""));
}

TEST_F(PasswordTest, SetNewStoresOnlyAHashAndAskChecksIt)
{
    {
        ScriptedKeypad keypad({ "0420", "0420" });
        PasswordLock lock(nullptr, store);
        ASSERT_TRUE(lock.SetNew());
        EXPECT_EQ(keypad.modes, (std::vector<int> { KeypadDialog::kNew, KeypadDialog::kReEnter }));
    }
    EXPECT_EQ(Texts(), (std::vector<std::u16string> { u"Password Active\n" }));
    EXPECT_EQ(
        hooks.Calls(UiCall::Kind::MessageBox)[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox)[0].caption, u"Ozm Kestrin");
    EXPECT_TRUE(Settings(store).PasswordActive());
    EXPECT_TRUE(PasswordHash::IsHashRecord(StoredRecord()));
    EXPECT_FALSE(StoredRecord().contains("0420"));

    // Nothing in the registry file holds the digits in the clear, in either encoding.
    std::ifstream file(home.file("registry.db"), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string raw = bytes.str();
    EXPECT_EQ(raw.find("0420"), std::string::npos);
    EXPECT_EQ(raw.find(std::string("0\0004\0002\0000\0", 8)), std::string::npos);

    hooks.Clear();
    ScriptedKeypad keypad({ "420", "0420" });
    PasswordLock lock(nullptr, store);
    EXPECT_TRUE(lock.IsActive());
    EXPECT_FALSE(lock.Ask());
    EXPECT_EQ(Texts(), (std::vector<std::u16string> { kWrong }));
    EXPECT_EQ(
        hooks.Calls(UiCall::Kind::MessageBox)[0].flags, static_cast<UINT>(MB_ICONHAND | MB_SETFOREGROUND));
    EXPECT_TRUE(lock.Ask());
    EXPECT_EQ(keypad.modes, (std::vector<int> { KeypadDialog::kEnter, KeypadDialog::kEnter }));
}

TEST_F(PasswordTest, InconsistentEntriesLeaveTheEarlierPassword)
{
    {
        ScriptedKeypad keypad({ "11", "11" });
        ASSERT_TRUE(PasswordLock(nullptr, store).SetNew());
    }
    const QString earlier = StoredRecord();
    hooks.Clear();
    {
        ScriptedKeypad keypad({ "1234", "1243" });
        EXPECT_FALSE(PasswordLock(nullptr, store).SetNew());
    }
    {
        // An empty first entry does not even ask again.
        ScriptedKeypad keypad({ "" });
        EXPECT_FALSE(PasswordLock(nullptr, store).SetNew());
        EXPECT_EQ(keypad.modes.size(), 1u);
    }
    const std::u16string inconsistent = u"Inconsistently Entered Passwords. Password NOT Active";
    EXPECT_EQ(Texts(), (std::vector<std::u16string> { inconsistent, inconsistent }));
    EXPECT_EQ(
        hooks.Calls(UiCall::Kind::MessageBox)[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(StoredRecord(), earlier);
    ScriptedKeypad keypad({ "11" });
    EXPECT_TRUE(PasswordLock(nullptr, store).Ask());
}

TEST_F(PasswordTest, ClearAndTheLockWithoutAPassword)
{
    ScriptedKeypad keypad({ "7", "7" });
    PasswordLock lock(nullptr, store);
    ASSERT_TRUE(lock.SetNew());
    EXPECT_TRUE(lock.Clear());
    EXPECT_FALSE(Settings(store).PasswordActive());
    EXPECT_FALSE(store.ValueExists(u"Options", u"vacc"));
    EXPECT_FALSE(lock.Clear()); // nothing left to delete

    // Switched on, but nothing stored: an empty keypad must not open the
    // journal silently. The lock is switched off, and that is said once.
    hooks.Clear();
    Settings(store).SetPasswordActive(true);
    EXPECT_FALSE(lock.IsActive());
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_FALSE(Settings(store).PasswordActive());
    EXPECT_FALSE(lock.IsActive());
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_TRUE(lock.RunGate()); // no password: no question
}

TEST_F(PasswordTest, GateAllowsThreeAttempts)
{
    {
        ScriptedKeypad keypad({ "2468", "2468" });
        ASSERT_TRUE(PasswordLock(nullptr, store).SetNew());
    }
    hooks.Clear();
    {
        ScriptedKeypad keypad({ "1", "2", "3", "2468" });
        EXPECT_FALSE(PasswordLock(nullptr, store).RunGate());
        EXPECT_EQ(keypad.modes.size(), 3u); // never a fourth question
    }
    EXPECT_EQ(Texts(), (std::vector<std::u16string> { kWrong, kWrong, kWrong }));
    hooks.Clear();
    {
        ScriptedKeypad keypad({ "1", "2", "2468" });
        EXPECT_TRUE(PasswordLock(nullptr, store).RunGate());
    }
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 2u);
}

TEST_F(PasswordTest, ClearTextFromAnOlderVersionBecomesAHash)
{
    Settings(store).SetPasswordRecord(u"0042");
    Settings(store).SetPasswordActive(true);
    ScriptedKeypad keypad({ "42", "0042" });
    PasswordLock lock(nullptr, store);
    EXPECT_FALSE(lock.Ask());
    EXPECT_EQ(StoredRecord(), "0042"); // a wrong entry changes nothing
    EXPECT_TRUE(lock.Ask());
    EXPECT_TRUE(PasswordHash::IsHashRecord(StoredRecord()));
    EXPECT_TRUE(PasswordHash::Verify(StoredRecord(), "0042"));
}

namespace {

QPushButton* Key(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
}

} // namespace

TEST_F(PasswordTest, KeypadEchoesPerModeAndCannotBeCancelled)
{
    QString shownWhileTyping;
    QString prompt;
    QTimer::singleShot(0, [&] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* dialog = QApplication::activeModalWidget();
        prompt = dialog->findChild<QLabel*>("keypadPrompt")->text();
        Key(dialog, "keypadDigit1")->click();
        Key(dialog, "keypadDigit2")->click();
        Key(dialog, "keypadDigit0")->click();
        shownWhileTyping = dialog->findChild<QLineEdit*>("keypadEntry")->text();
        Key(dialog, "keypadClear")->click();
        Key(dialog, "keypadDigit0")->click();
        Key(dialog, "keypadDigit7")->click();
        Key(dialog, "keypadOk")->click();
    });
    KeypadDialog enter(KeypadDialog::kEnter);
    EXPECT_EQ(enter.Run(nullptr), "07");
    EXPECT_EQ(prompt, "Enter Password");
    EXPECT_EQ(shownWhileTyping, "XXX");

    QTimer::singleShot(0, [&] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* dialog = QApplication::activeModalWidget();
        prompt = dialog->findChild<QLabel*>("keypadPrompt")->text();
        Key(dialog, "keypadDigit9")->click();
        Key(dialog, "keypadDigit5")->click();
        shownWhileTyping = dialog->findChild<QLineEdit*>("keypadEntry")->text();
        dialog->close(); // the window's close ends it as OK does
    });
    KeypadDialog fresh(KeypadDialog::kNew);
    EXPECT_EQ(fresh.Run(nullptr), "95");
    EXPECT_EQ(prompt, "New Password");
    EXPECT_EQ(shownWhileTyping, "95");
    EXPECT_EQ(KeypadDialog::PromptId(KeypadDialog::kReEnter), 40017u);
}

TEST_F(PasswordTest, EscapeOnTheKeypadClearsInsteadOfAnswering)
{
    bool openAfterEscape = false;
    QString shownAfterEscape = QStringLiteral("unset");
    QTimer::singleShot(0, [&] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* dialog = QApplication::activeModalWidget();
        Key(dialog, "keypadDigit4")->click();
        Key(dialog, "keypadDigit2")->click();
        QTest::keyClick(dialog, Qt::Key_Escape);
        PumpAll();
        openAfterEscape = QApplication::activeModalWidget() == dialog && dialog->isVisible();
        shownAfterEscape = dialog->findChild<QLineEdit*>("keypadEntry")->text();
        Key(dialog, "keypadDigit7")->click();
        Key(dialog, "keypadOk")->click();
    });
    KeypadDialog keypad(KeypadDialog::kEnter);
    EXPECT_EQ(keypad.Run(nullptr), "7");
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(shownAfterEscape, "");
}
