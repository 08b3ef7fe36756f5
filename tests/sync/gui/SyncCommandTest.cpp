// The Tools menu's Sync: the folder the settings name, the journal and the
// folder in step afterwards, and what the message tells.

#include "MainWinFixture.h"

#include "ObjectStore.h"
#include "ProgramText.h"
#include "SyncCommand.h"

#include <QWidget>

#include <fstream>

namespace {

class SyncCommandTest : public MainWinTest {
protected:
    QWidget owner;
};

std::size_t FileCount(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        count += item.path().extension() == ".ics";
    return count;
}

} // namespace

TEST_F(SyncCommandTest, SyncsWithTheChosenFolderAndTellsWhatChanged)
{
    EXPECT_EQ(SyncCommand::Folder(store), ObjectStore::DataFolder() / "vdir");
    const std::filesystem::path folder = home.file("chosen folder");
    ASSERT_EQ(store.WriteString(kOptionsSection, SyncCommand::kFolderSetting, ZString::FromUtf8(folder.string())), 1);
    EXPECT_EQ(SyncCommand::Folder(store), folder);

    Add({ .subject = u"One" });
    Add({ .subject = u"Two" });
    EXPECT_FALSE(SyncCommand::Run(journal, store, &owner)); // only files written
    EXPECT_EQ(FileCount(folder), 2u);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Entries: 0 added, 0 changed, 0 deleted.\nFiles: 2 written, 0 deleted.");
    EXPECT_EQ(boxes[0].caption, kWindowTitle);

    std::ofstream(folder / "new.ics") << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VJOURNAL\r\n"
                                         "UID:n1\r\nSUMMARY:Three\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n";
    std::ofstream(folder / "bad.ics") << "nothing of a calendar";
    hooks.Clear();
    EXPECT_TRUE(SyncCommand::Run(journal, store, &owner));
    EXPECT_EQ(JournalCount(), 3);
    boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Entries: 1 added, 0 changed, 0 deleted.\nFiles: 0 written, 0 deleted.\n\n"
                             u"Skipped:\nbad.ics: no calendar in the file");
}
