// The Backup and Restore commands with the file dialogs answered by the test.

#include "MainWinFixture.h"

#include "BackupCommands.h"
#include "ProgramText.h"
#include "ProgressWindow.h"

#include <QApplication>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <fstream>

namespace {

class BackupCommandsTest : public MainWinTest {
protected:
    BackupCommandsTest()
    {
        BackupCommands::SetPathChooser([this](QWidget*, bool forBackup, QString& path) {
            asked.push_back(forBackup);
            if (!answer)
                return false;
            path = QString::fromStdString(file.string());
            return true;
        });
    }
    ~BackupCommandsTest() override { BackupCommands::SetPathChooser({}); }

    void FilterTo2007()
    {
        ZFilter& filter = journal.GetFilter();
        filter.SetByRange(1);
        filter.SetStart(ZTime(At(2007, 1, 1)));
        filter.SetEnd(ZTime(At(2007, 12, 31)));
        filter.SetActive(1);
    }
    // The record count in the backup file's header.
    int HeaderCount()
    {
        std::ifstream in(file, std::ios::binary);
        unsigned char header[6] {};
        in.read(reinterpret_cast<char*>(header), sizeof(header));
        return in ? header[4] | header[5] << 8 : -1;
    }

    QWidget owner;
    std::filesystem::path file = home.file("Kestrin.ksk");
    std::vector<bool> asked;
    bool answer = true;
};

} // namespace

// The whole round through the menu (emptied journal, entries back in the
// list) is MainWindowTest's; here the dialogs asked and the counts told.
TEST_F(BackupCommandsTest, BackupAndRestoreAskForTheirFilesAndTellTheCounts)
{
    const CEOID first = Add({ .subject = u"First", .date = At(2004, 1, 1) });
    Add({ .subject = u"Second", .date = At(2005, 1, 1) });
    Add({ .subject = u"Third", .date = At(2006, 1, 1) });

    EXPECT_EQ(BackupCommands::Backup(journal, &owner), 3u);
    EXPECT_EQ(asked, (std::vector<bool> { true }));
    EXPECT_EQ(HeaderCount(), 3);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"3 Record(s) Backed Up");
    EXPECT_EQ(boxes[0].caption, u"Backup");

    // One entry deleted since: refreshed two, re-inserted one.
    ASSERT_TRUE(journal.DeleteEntry(first));
    hooks.Clear();
    EXPECT_EQ(BackupCommands::Restore(journal, &owner), 3u);
    EXPECT_EQ(asked, (std::vector<bool> { true, false }));
    EXPECT_EQ(JournalCount(), 3);
    EXPECT_EQ(SubjectOf(first), u""); // re-inserted under a new OID
    boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        u"Restored 3 record(s).\n\n2 existing record(s) refreshed.\n\n1 record(s) re-inserted.");
    EXPECT_EQ(boxes[0].caption, u"Kestrin");
}

TEST_F(BackupCommandsTest, ActiveFilterIsAnnouncedAndNoEndsTheBackup)
{
    Add({ .subject = u"Old", .date = At(2001, 1, 1) });
    Add({ .subject = u"New", .date = At(2007, 3, 1) });
    FilterTo2007();

    hooks.QueueAnswer(IDNO);
    EXPECT_EQ(BackupCommands::Backup(journal, &owner), 0u);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(std::filesystem::exists(file));
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        u"Filter Active! - Only Filtered records will be backed up if you proceed.\n\nContinue?");
    EXPECT_EQ(boxes[0].caption, kWindowTitle);
    EXPECT_EQ(boxes[0].flags, 0x10004u);

    hooks.QueueAnswer(IDYES);
    EXPECT_EQ(BackupCommands::Backup(journal, &owner), 1u);
    EXPECT_EQ(HeaderCount(), 1);
}

TEST_F(BackupCommandsTest, CancelledDialogsAndForeignFilesChangeNothing)
{
    Add({ .subject = u"Kept", .date = At(2004, 1, 1) });
    answer = false;
    EXPECT_EQ(BackupCommands::Backup(journal, &owner), 0u);
    EXPECT_EQ(BackupCommands::Restore(journal, &owner), 0u);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);

    // A file that is not a backup restores nothing and says so.
    answer = true;
    std::ofstream(file) << "not a backup at all";
    EXPECT_EQ(BackupCommands::Restore(journal, &owner), 0u);
    EXPECT_EQ(JournalCount(), 1);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
}

TEST_F(BackupCommandsTest, LargeBackupsAndRestoresShowTheirProgress)
{
    AddBare(int(ProgressWindow::kQuietRecords) + 500);
    // Notes what window is up while the work runs (a zero-time timer fires
    // while the window is drawn, before the work starts).
    struct Seen {
        QString title;
        bool bar = false;
    };
    auto watch = [](Seen& seen) {
        QTimer::singleShot(0, [&seen] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                seen.title = window->windowTitle();
                seen.bar = window->findChild<QProgressBar*>(QStringLiteral("progressBar")) != nullptr;
            }
        });
    };
    Seen backedUp, restored;
    watch(backedUp);
    EXPECT_EQ(BackupCommands::Backup(journal, &owner), ProgressWindow::kQuietRecords + 500);
    EXPECT_EQ(backedUp.title, QStringLiteral("Ozm Backup"));
    EXPECT_TRUE(backedUp.bar);
    watch(restored);
    EXPECT_EQ(BackupCommands::Restore(journal, &owner), ProgressWindow::kQuietRecords + 500);
    EXPECT_EQ(restored.title, QStringLiteral("Ozm Restore"));
    EXPECT_TRUE(restored.bar);
    PumpAll();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window goes with the work";
}
