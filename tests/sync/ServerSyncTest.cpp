// Two journals kept in step through a calendar server: a CalDAV server
// (radicale) started on 127.0.0.1 with a temporary storage folder, one
// folder per journal carried to and from it by vdirsyncer, and
// `kestrin-cli sync` between each journal and its folder. Both tools are
// test requirements (scripts/install-deps.sh installs them): when they are
// missing the test fails.

#include "LoopbackPort.h"
#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "ShellRun.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "Vjournal.h"
#include "ZJITEMS.h"
#include "ZTime.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// The server, on 127.0.0.1 only, without authentication; stopped with the object.
class Server {
public:
    Server(const fs::path& storage, int port)
    {
        // The collection both journals sync with, made as the server keeps one.
        const fs::path collection = storage / "collection-root" / "test" / "journal";
        fs::create_directories(collection);
        std::ofstream(collection / ".Radicale.props")
            << R"({"tag": "VCALENDAR", "C:supported-calendar-component-set": "VJOURNAL"})";
        const std::string hosts = "127.0.0.1:" + std::to_string(port);
        const std::string folder = storage.string();
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string log = (storage / "server.log").string();
            std::freopen(log.c_str(), "w", stderr);
            std::freopen(log.c_str(), "a", stdout);
            ::execlp("radicale", "radicale", "--server-hosts", hosts.c_str(), "--auth-type", "none",
                "--storage-filesystem-folder", folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Server()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Waits until the server takes connections (or it ended).
    bool WaitUntilReady(int port)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Accepts(port))
                return true;
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = 0;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    pid_t pid_ = -1;
};

// One journal: its data folder, its sync folder and its vdirsyncer setup.
struct Side {
    fs::path home;
    fs::path folder;
    fs::path config;

    Side(const fs::path& root, const std::string& name, int port)
        : home(root / name)
        , folder(root / (name + "-vdir"))
        , config(root / (name + ".conf"))
    {
        fs::create_directories(home);
        fs::create_directories(folder);
        fs::create_directories(root / (name + "-status"));
        std::ofstream(config) << "[general]\nstatus_path = \"" << (root / (name + "-status")).string()
                              << "\"\n\n[pair journal]\na = \"local\"\nb = \"remote\"\ncollections = null\n\n"
                              << "[storage local]\ntype = \"filesystem\"\npath = \"" << folder.string()
                              << "\"\nfileext = \".ics\"\n\n[storage remote]\ntype = \"caldav\"\n"
                              << "url = \"http://127.0.0.1:" << port << "/test/journal/\"\n"
                              << "username = \"test\"\npassword = \"test\"\nitem_types = [\"VJOURNAL\"]\n";
    }

    // vdirsyncer, the journal's sync, vdirsyncer again to send what it wrote.
    void Cycle()
    {
        std::string out;
        ASSERT_EQ(Shell("vdirsyncer -c " + Quote(config.string()) + " sync", out), 0) << out;
        ASSERT_EQ(Shell("KESTRIN_HOME=" + Quote(home.string()) + " " + Quote(KESTRIN_CLI) + " sync "
                      + Quote(folder.string()),
                      out),
            0)
            << out;
        ASSERT_EQ(Shell("vdirsyncer -c " + Quote(config.string()) + " sync", out), 0) << out;
    }

    void Discover()
    {
        std::string out;
        ASSERT_EQ(Shell("yes | vdirsyncer -c " + Quote(config.string()) + " discover", out), 0) << out;
    }

    // Runs `work` on the journal opened in this side's data folder.
    void WithJournal(const std::function<void(DbKestrin&)>& work)
    {
        ::setenv("KESTRIN_HOME", home.c_str(), 1);
        {
            DbKestrin journal;
            ASSERT_EQ(journal.Open(nullptr), 1);
            work(journal);
            journal.Close();
        }
        ObjectStore::Close();
    }

    // Every entry by subject, field for field.
    std::map<std::u16string, VjournalEntry> Entries()
    {
        std::map<std::u16string, VjournalEntry> entries;
        WithJournal([&](DbKestrin& journal) {
            for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext()) {
                ZJITEMS set;
                if (journal.GetRecordType(oid) != KIND_ENTRY || journal.Read(oid, &set, FALSE) != oid)
                    continue;
                VjournalEntry entry;
                EntryFromSet(set, entry);
                entries[entry.subject] = entry;
                journal.SeekOid(oid);
            }
        });
        return entries;
    }
};

CEOID FindSubject(DbKestrin& journal, const std::u16string& subject)
{
    for (DWORD row = 0; row < journal.GetRowCount(); ++row) {
        ZJITEMS set;
        const CEOID oid = journal.GetRowOid(row);
        if (journal.Read(oid, &set, FALSE) == oid && set.GetItem(PROPID_SUBJECT)->GetStrValue()
            && subject == set.GetItem(PROPID_SUBJECT)->GetStrValue())
            return oid;
    }
    return 0;
}

void Rewrite(DbKestrin& journal, const std::u16string& subject, const std::u16string& newSubject,
    const std::u16string& note)
{
    const CEOID oid = FindSubject(journal, subject);
    ASSERT_NE(oid, 0u);
    ZJITEMS set;
    ASSERT_EQ(journal.Read(oid, &set, FALSE), oid);
    VjournalEntry entry;
    EntryFromSet(set, entry);
    entry.subject = newSubject;
    entry.note = WriteNote(note, "<p>" + ZString::AnsiBytes(note.c_str()) + "</p>", { 4, 5, 6 });
    EntryToSet(entry, set);
    ASSERT_EQ(journal.Write(oid, &set), oid);
}

void Fill(DbKestrin& journal, int count)
{
    ZTime date;
    date.SetNow();
    for (int i = 0; i < count; ++i) {
        VjournalEntry entry;
        entry.subject = u"Entry " + ZString::FromUtf8(std::to_string(i)).ToU16();
        date.AddMinutes(-53);
        entry.date = date.Ticks();
        entry.type = static_cast<SHORT>(i % TYPE_COUNT);
        entry.company = i % 3 ? u"" : u"Harbour & Sons";
        entry.categories = { i % 2 ? u"Work" : u"Home" };
        if (i % 5 == 0)
            entry.categories.push_back(u"Travel, abroad");
        if (i % 4 == 0)
            entry.contacts = { { u"Dana Ortiz", "" } };
        entry.sensitivity = static_cast<SHORT>(i % SENSITIVITY_COUNT);
        entry.priority = static_cast<SHORT>(i % PRIORITY_COUNT);
        entry.hasDuration = i % 7 == 0;
        entry.duration = entry.hasDuration ? ZTime::kTicksPerHour : 0;
        std::vector<BYTE> ink(static_cast<std::size_t>(i % 50), static_cast<BYTE>(i));
        entry.note = WriteNote(u"Note of entry " + entry.subject, "<b>rich</b>", ink);
        ZJITEMS set;
        DbTmp::Initialize(&set);
        EntryToSet(entry, set);
        ASSERT_NE(journal.Write(0, &set), 0u);
    }
}

void ExpectSameJournals(Side& a, Side& b)
{
    const auto left = a.Entries();
    const auto right = b.Entries();
    ASSERT_EQ(left.size(), right.size());
    for (const auto& [subject, entry] : left) {
        const auto other = right.find(subject);
        ASSERT_NE(other, right.end()) << ZString::AnsiBytes(subject.c_str());
        EXPECT_TRUE(entry == other->second) << ZString::AnsiBytes(subject.c_str());
    }
}

} // namespace

TEST(ServerSync, TwoJournalsConvergeThroughACalendarServer)
{
    ASSERT_TRUE(OnPath("radicale")) << "radicale is missing (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(OnPath("vdirsyncer")) << "vdirsyncer is missing (scripts/install-deps.sh installs it)";
    TempHome root;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    const int port = FreeLoopbackPort(SOCK_STREAM);
    ASSERT_NE(port, 0);
    Server server(root.file("server"), port);
    ASSERT_TRUE(server.WaitUntilReady(port)) << "the server did not start on 127.0.0.1:" << port;
    Side a(root.path(), "a", port);
    Side b(root.path(), "b", port);
    a.Discover();
    b.Discover();

    a.WithJournal([](DbKestrin& journal) { Fill(journal, 1000); });
    a.Cycle();
    b.Cycle();
    ExpectSameJournals(a, b);
    const auto entries = b.Entries();
    ASSERT_EQ(entries.size(), 1000u);
    const VjournalEntry& sample = entries.at(u"Entry 20");
    EXPECT_EQ(sample.categories, (std::vector<std::u16string> { u"Home", u"Travel, abroad" }));
    ASSERT_EQ(sample.contacts.size(), 1u);
    EXPECT_EQ(sample.contacts[0].name, u"Dana Ortiz");
    EXPECT_EQ(ReadNote(sample.note.data(), sample.note.size()).ink.size(), 20u);

    // Edited, added and deleted in B; then a conflict: both edit entry 7.
    b.WithJournal([](DbKestrin& journal) {
        Rewrite(journal, u"Entry 5", u"Entry 5 edited in B", u"new text");
        VjournalEntry added;
        added.subject = u"Added in B";
        added.note = WriteNote(u"typed in B", "", { 1, 1, 2, 3, 5 });
        ZJITEMS set;
        DbTmp::Initialize(&set);
        EntryToSet(added, set);
        ASSERT_NE(journal.Write(0, &set), 0u);
        ASSERT_TRUE(journal.DeleteEntry(FindSubject(journal, u"Entry 9")));
    });
    b.Cycle();
    a.Cycle();
    ExpectSameJournals(a, b);
    EXPECT_EQ(a.Entries().count(u"Entry 5 edited in B"), 1u);
    EXPECT_EQ(a.Entries().count(u"Entry 9"), 0u);
    EXPECT_EQ(a.Entries().at(u"Added in B").note, WriteNote(u"typed in B", "", { 1, 1, 2, 3, 5 }));

    a.WithJournal([](DbKestrin& journal) { Rewrite(journal, u"Entry 7", u"Entry 7 by A", u"from A"); });
    b.WithJournal([](DbKestrin& journal) { Rewrite(journal, u"Entry 7", u"Entry 7 by B", u"from B"); });
    a.Cycle();
    b.Cycle();
    a.Cycle();
    ExpectSameJournals(a, b);
    const auto last = a.Entries();
    EXPECT_EQ(last.count(u"Entry 7 by B"), 1u);
    EXPECT_EQ(last.count(u"Entry 7 by A (conflict)"), 1u);
    EXPECT_EQ(last.size(), 1001u); // one deleted, one added, one conflict copy
}
