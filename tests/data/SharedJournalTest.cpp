// The journal shared with other processes and other users: entries another
// process adds while an integrity check runs keep all their references; a
// second check is refused; an interrupted check's leftovers are tidied; a
// journal on a read-only folder or a full disk can still be listed, exported
// and backed up to another folder.

#include "JournalFixture.h"

#include "CheckLeftovers.h"
#include "ChildProcess.h"
#include "DataFaultPoints.h"
#include "ExportWriter.h"
#include "JournalTools.h"
#include "ObjectStore.h"
#include "ZBackup.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr int kLateEntries = 10;

// The second process of the check test: kestrin-cli adding kLateEntries
// entries one after another, its stderr on a pipe.
struct LateWriter {
    pid_t pid = -1;
    int errors = -1;
    std::string said;
    bool exited = false;
    int status = 0;

    void Start()
    {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(pipe[1], 2);
            const std::string script = "for i in $(seq " + std::to_string(kLateEntries) + "); do \"$0\" add "
                + "--subject Late$i --category Late --contact Zed --add-contact >/dev/null || exit 1; done";
            ::execl("/bin/sh", "sh", "-c", script.c_str(), KESTRIN_CLI, nullptr);
            ::_exit(127);
        }
        ::close(pipe[1]);
        errors = pipe[0];
    }

    // Waits until the writer has either finished or said that it waits for
    // the check; true for the latter.
    bool WaitsForTheCheck()
    {
        while (true) {
            if (said.find("integrity check is running") != std::string::npos)
                return true;
            pollfd ready { errors, POLLIN, 0 };
            if (::poll(&ready, 1, -1) <= 0)
                return false;
            char buffer[256];
            const ssize_t n = ::read(errors, buffer, sizeof buffer);
            if (n <= 0)
                return false; // the writer ended without waiting
            said.append(buffer, static_cast<std::size_t>(n));
        }
    }

    int Finish()
    {
        if (pid > 0 && !exited) {
            ::waitpid(pid, &status, 0);
            exited = true;
        }
        if (errors >= 0)
            ::close(errors);
        errors = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

LateWriter* g_lateWriter = nullptr;

void StartLateWriterAfterTheCopy(DataFault where)
{
    if (where != DataFault::AfterSafetyCopy || !g_lateWriter || g_lateWriter->pid > 0)
        return;
    g_lateWriter->Start();
    // Either the writer is held off by the check, or it got its entries in
    // before the check went on: in both cases they must keep their references.
    g_lateWriter->WaitsForTheCheck();
}

class SharedJournalTest : public JournalTest {
protected:
    void TearDown() override { SetDataFaultHandler(nullptr); }

    // Closes and reopens journal and store, so that what other processes
    // wrote shows at once.
    void Reopen()
    {
        db.Close();
        ObjectStore::Close();
        ASSERT_EQ(1, db.Open(nullptr));
    }

    std::vector<CEOID> EntriesNamed(const std::u16string& prefix)
    {
        std::vector<CEOID> found;
        for (CEOID oid : Rows()) {
            ZJITEMS set = MakeEntry({});
            if (db.Read(oid, &set, FALSE) == oid
                && Text(set.GetItem(PROPID_SUBJECT)->GetStrValue()).starts_with(prefix))
                found.push_back(oid);
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    int JournalCountOf(const std::u16string& category)
    {
        for (const CategoryInfo& info : ListCategories())
            if (info.name == category)
                return info.journalCount;
        return -1;
    }
};

std::vector<CEOID> Sorted(std::vector<CEOID> oids)
{
    std::sort(oids.begin(), oids.end());
    return oids;
}

TEST_F(SharedJournalTest, EntriesAddedByAnotherProcessDuringACheckKeepTheirReferences)
{
    for (int i = 0; i < 200; ++i)
        ASSERT_NE(0u, Add({ .subject = u"Early", .categories = { u"Late" }, .contacts = { u"Zed" } }));
    LateWriter writer;
    g_lateWriter = &writer;
    SetDataFaultHandler(StartLateWriterAfterTheCopy);
    ZString error;
    db.Cleanup(TRUE, nullptr, nullptr, &error);
    SetDataFaultHandler(nullptr);
    g_lateWriter = nullptr;
    EXPECT_EQ(u"", Text(error));
    EXPECT_EQ(0, writer.Finish()) << writer.said;

    Reopen();
    const std::vector<CEOID> late = EntriesNamed(u"Late");
    ASSERT_EQ(std::size_t(kLateEntries), late.size());
    const std::vector<CEOID> all = Sorted(Rows());
    EXPECT_EQ(all, Sorted(Listed(u"Zed", KIND_CONTACT)));
    EXPECT_EQ(all, Sorted(Listed(u"Late", KIND_CATEGORY)));
    EXPECT_EQ(int(all.size()), JournalCountOf(u"Late"));
}

TEST_F(SharedJournalTest, ASecondCheckIsRefusedAndLeftoversOfAKilledOneAreTidied)
{
    ASSERT_NE(0u, Add({ .subject = u"One", .categories = { u"Work" } }));
    // What a check killed while writing its safety copy, and one that ended
    // before deleting the finished copy, leave behind.
    const fs::path copy = SafetyCopyPath();
    const fs::path temporary = copy.parent_path() / ".kssave-bkup.ksk.0123456789abcdef.tmp";
    std::ofstream(temporary) << "half a backup";
    std::ofstream(copy) << "an old safety copy";
    const fs::path unrelated = copy.parent_path() / ".notes.txt.0123456789abcdef.tmp";
    std::ofstream(unrelated) << "another file's temporary";

    ZString error;
    db.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_EQ(u"", Text(error));
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_FALSE(fs::exists(copy)); // this check's own copy is gone again
    std::vector<std::string> kept;
    for (const std::string& name : FileNames(copy.parent_path()))
        if (name.starts_with("kssave-bkup-kept-"))
            kept.push_back(name);
    ASSERT_EQ(1u, kept.size());
    std::ifstream keptFile(copy.parent_path() / kept[0]);
    std::string content;
    std::getline(keptFile, content);
    EXPECT_EQ("an old safety copy", content);
    // Told once, by the check that found it.
    const auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::u16string::npos, boxes[0].text.find(u"was kept as"));
    db.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_EQ(1u, hooks.Calls(UiCall::Kind::MessageBox).size());

    // A check marked running in another process: this one is refused and
    // its files are left alone.
    std::ofstream(temporary) << "being written";
    int ready[2], release[2];
    ASSERT_EQ(0, ::pipe(ready));
    ASSERT_EQ(0, ::pipe(release));
    const fs::path store = ObjectStore::CurrentPath();
    ObjectStore::Close();
    const pid_t other = ::fork();
    if (other == 0) {
        const bool opened = ObjectStore::Open(store);
        IntegrityCheckMark mark;
        const char held = opened && mark.Held() ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(1, ::read(ready[0], &held, 1));
    ASSERT_EQ('y', held);
    ASSERT_EQ(1, db.Open(nullptr));
    db.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_NE(std::u16string::npos, Text(error).find(u"integrity check is running"));
    EXPECT_TRUE(fs::exists(temporary));
    (void)!::write(release[1], "x", 1);
    ::waitpid(other, nullptr, 0);
    for (int fd : { ready[0], ready[1], release[0], release[1] })
        ::close(fd);
}

// In this process: lists, exports and backs up the journal of the current
// data folder into `out`; "" when all worked and found `count` entries.
std::string ReadEverything(const fs::path& out, DWORD count)
{
    DbKestrin journal;
    if (!journal.Open(nullptr))
        return "journal not opened: " + ObjectStore::LastOpenError();
    std::string problem;
    if (journal.GetRowCount() != count)
        problem = "rows: " + std::to_string(journal.GetRowCount());
    ZBackup backup(&journal, nullptr);
    if (problem.empty()
        && backup.Backup(ZString::FromUtf8((out / "journal.ksk").string()), nullptr) != count)
        problem = "backup: " + backup.ErrorText().ToUtf8();
    if (problem.empty()) {
        ExportWriter writer(journal);
        const DWORD written
            = writer.Export(ZString::FromUtf8((out / "journal.csv").string()), ExportOptions {}, nullptr);
        if (written != count)
            problem = "export: " + writer.ErrorText().ToUtf8();
    }
    journal.Close();
    ObjectStore::Close();
    return problem;
}

TEST_F(SharedJournalTest, AReadOnlyOrFullJournalIsListedExportedAndBackedUp)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(0u, Add({ .subject = u"Kept", .categories = { u"Work" }, .contacts = { u"Ann" } }));
    db.Close();
    ObjectStore::Close();
    TempHome out; // where the copies go; the journal's folder stays current
    setenv("KESTRIN_HOME", home.path().c_str(), 1);
    ::chmod(out.path().c_str(), 0777);

    for (const std::string& name : FileNames(home.path()))
        ::chmod((home.path() / name).c_str(), 0444);
    ::chmod(home.path().c_str(), 0555);
    EXPECT_EQ("", InChildProcess(ChildRights::OrdinaryUser, [&] { return ReadEverything(out.path(), 3); }));
    ::chmod(home.path().c_str(), 0700);

    const std::string outcome = InChildProcess(ChildRights::OwnMountNamespace, [&] {
        const fs::path disk = MountSmallDisk(home.file("disk"));
        if (disk.empty())
            return std::string(kNoMount);
        fs::copy_file(home.file("objects.db"), disk / "objects.db");
        FillDisk(disk);
        setenv("KESTRIN_HOME", disk.c_str(), 1);
        return ReadEverything(out.path(), 3);
    });
    ASSERT_EQ(1, db.Open(nullptr));
    if (outcome == kNoMount)
        GTEST_SKIP() << "no tmpfs mount permitted here: the full-disk case was not run";
    EXPECT_EQ("", outcome);
}

} // namespace
