// The address book on a folder of cards: file-as order, ids that last,
// files read once until they change, damaged files reported once, contacts
// added whole, and events and tasks found by id.
#include "VdirPimStore.h"
#include "TempHome.h"
#include "VCard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class VdirPimStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.contacts = home.path() / "contacts";
        folders.calendar = home.path() / "calendar";
        folders.tasks = home.path() / "tasks";
        fs::create_directories(folders.contacts);
        for (const auto& sample : fs::directory_iterator(KST_CONTACT_SAMPLES))
            fs::copy_file(sample.path(), folders.contacts / sample.path().filename());
        store.SetFolders(folders);
    }

    void Write(const fs::path& file, const std::string& bytes)
    {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    static std::string Card(const std::string& uid, const std::string& fn)
    {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + fn + "\r\nEND:VCARD\r\n";
    }

    std::vector<std::u16string> FileAsNames()
    {
        std::vector<std::u16string> names;
        for (int p = 1; p <= store.ContactCount(); ++p)
            names.push_back(store.ContactAt(p)->fileAs);
        return names;
    }

    TempHome home;
    VdirPimStore::Folders folders;
    VdirPimStore store;
};

} // namespace

TEST_F(VdirPimStoreTest, ListsEveryReadableCardInFileAsOrderAndReportsBadFilesOnce)
{
    ASSERT_TRUE(store.Logon());
    const std::vector<std::u16string> expected { u"Frances Dalton", u"Lima, Ana", u"Mueller, Juergen",
        u"Okafor, Chidi", u"Reception Desk", u"Tomas Hale" };
    EXPECT_EQ(FileAsNames(), expected);
    EXPECT_EQ(store.ContactAt(0), nullptr);
    EXPECT_EQ(store.ContactAt(7), nullptr);

    // The card without UID takes its file's name; each has its own id.
    const PimContact* okafor = store.ContactAt(4);
    EXPECT_EQ(okafor->uid, u"no-uid-mixed");
    EXPECT_EQ(store.ContactAt(5)->uid, u"desk-1");
    EXPECT_NE(okafor->oid, 0u);
    EXPECT_EQ(store.ContactFromOid(okafor->oid), okafor);
    EXPECT_EQ(store.ContactFromOid(0), nullptr);

    std::vector<std::string> problems = store.TakeProblems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].rfind("not-a-card.vcf: ", 0), 0u);
    EXPECT_EQ(problems[1].rfind("truncated.vcf: ", 0), 0u);
    ASSERT_TRUE(store.Logon());
    EXPECT_TRUE(store.TakeProblems().empty());
    // Changed, still broken: reported again.
    Write(folders.contacts / "truncated.vcf", "BEGIN:VCARD\nFN:Still cut\n");
    ASSERT_TRUE(store.Logon());
    EXPECT_EQ(store.TakeProblems().size(), 1u);
}

TEST_F(VdirPimStoreTest, FindsByFileAsIgnoringCaseAndTakesNamesAsValues)
{
    Write(folders.contacts / "q.vcf", Card("q1", "Quote \"Me\" = [FileAs]"));
    Write(folders.contacts / "q2.vcf", Card("q2", "quote \"me\" = [fileas]"));
    ASSERT_TRUE(store.Logon());
    const int first = store.FindContact(u"QUOTE \"ME\" = [FILEAS]");
    ASSERT_NE(first, 0);
    const int next = store.FindContact(u"quote \"me\" = [fileas]", first);
    EXPECT_EQ(next, first + 1);
    EXPECT_EQ(store.FindContact(u"quote \"me\" = [fileas]", next), 0);
    EXPECT_EQ(store.FindContact(u"Quote"), 0);
    EXPECT_EQ(store.FindContact(u"lima, ana"), 2);
}

TEST_F(VdirPimStoreTest, IdsLastAcrossStoresAndAreNeverReused)
{
    ASSERT_TRUE(store.Logon());
    const DWORD lima = store.ContactAt(2)->oid;

    VdirPimStore later; // another run of the program
    later.SetFolders(folders);
    ASSERT_TRUE(later.Logon());
    EXPECT_EQ(later.ContactAt(2)->oid, lima);

    // Deleted and re-created (a new card, a new UID): a new id; the old id
    // finds nothing.
    fs::remove(folders.contacts / "lima-40.vcf");
    Write(folders.contacts / "lima-again.vcf",
        "BEGIN:VCARD\nVERSION:4.0\nUID:other\nN:Lima;Ana;;;\nEND:VCARD\n");
    ASSERT_TRUE(later.Logon());
    const int position = later.FindContact(u"Lima, Ana");
    ASSERT_NE(position, 0);
    EXPECT_NE(later.ContactAt(position)->oid, lima);
    EXPECT_EQ(later.ContactFromOid(lima), nullptr);
}

TEST_F(VdirPimStoreTest, LogonParsesOnlyNewAndChangedFiles)
{
    ASSERT_TRUE(store.Logon());
    const long first = store.ParsedFiles();
    EXPECT_EQ(first, 6);
    ASSERT_TRUE(store.Logon());
    EXPECT_EQ(store.ParsedFiles(), first);

    // A changed card (new size) is read again; a removed one leaves.
    Write(folders.contacts / "lima-40.vcf",
        Card("urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1", "Ana Lima-Souza"));
    fs::remove(folders.contacts / "two-cards-30.vcf");
    ASSERT_TRUE(store.Logon());
    EXPECT_EQ(store.ParsedFiles(), first + 1);
    EXPECT_EQ(store.ContactCount(), 4);
    EXPECT_EQ(store.ContactAt(1)->fileAs, u"Ana Lima-Souza");

    // Same size, new time: read again too.
    const fs::path desk = folders.contacts / "no-uid-mixed.vcf";
    fs::last_write_time(desk, fs::last_write_time(desk) + std::chrono::seconds(5));
    ASSERT_TRUE(store.Logon());
    EXPECT_EQ(store.ParsedFiles(), first + 2);
}

TEST_F(VdirPimStoreTest, AddedContactIsWrittenWholeAsVersion30AndListedAtOnce)
{
    ASSERT_TRUE(store.Logon());
    std::string error;
    const DWORD oid = store.AddContact({ u"Smith, John", u"John", u"Smith", u"Acme; Sons" }, error);
    ASSERT_NE(oid, 0u) << error;
    const PimContact* added = store.ContactFromOid(oid);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->fileAs, u"Smith, John");
    EXPECT_EQ(added->formattedName, u"John Smith");
    EXPECT_EQ(added->company, u"Acme; Sons");
    EXPECT_EQ(added->file.filename().string(), std::string(added->uid.begin(), added->uid.end()) + ".vcf");
    EXPECT_EQ(store.ContactCount(), 7);

    // The file is a 3.0 card, and no temporary file is left.
    std::ifstream file(added->file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(bytes.find("VERSION:3.0\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("N:Smith;John;;;\r\n"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(folders.contacts))
        EXPECT_EQ(entry.path().filename().string().front() == '.', false) << entry.path();

    // A one-word name keeps its file-as name exactly.
    const DWORD single = store.AddContact({ u"Cher", u"Cher", u"Cher", u"" }, error);
    ASSERT_NE(single, 0u);
    EXPECT_EQ(store.ContactFromOid(single)->fileAs, u"Cher");
    EXPECT_EQ(store.ContactFromOid(single)->formattedName, u"Cher");

    // An unwritable folder fails and says so.
    fs::permissions(folders.contacts, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(folders.contacts.c_str(), W_OK) != 0) {
        EXPECT_EQ(store.AddContact({ u"X", u"X", u"X", u"" }, error), 0u);
        EXPECT_NE(error, "");
    }
    fs::permissions(folders.contacts, fs::perms::owner_all);
}

TEST_F(VdirPimStoreTest, MissingFoldersAreMadeAndCalendarItemsFoundById)
{
    fs::remove_all(folders.contacts);
    ASSERT_TRUE(store.Logon());
    EXPECT_TRUE(fs::is_directory(folders.contacts));
    EXPECT_EQ(store.ContactCount(), 0);

    fs::create_directories(folders.calendar);
    fs::create_directories(folders.tasks);
    Write(folders.calendar / "meet.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:ev-1\r\n"
        "DTSTAMP:20260101T000000Z\r\nDTSTART:20260315T093000\r\nSUMMARY:Budget review\r\n"
        "LOCATION:Room 4\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    Write(folders.tasks / "todo.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\nUID:task-1\r\n"
        "DTSTAMP:20260101T000000Z\r\nDUE;VALUE=DATE:20260401\r\nSUMMARY:File the report\r\nEND:VTODO\r\n"
        "END:VCALENDAR\r\n");
    Write(folders.tasks / "junk.ics", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nDUE:notadate\r\n");

    PimCalendarItem item;
    EXPECT_FALSE(store.CalendarItemFromOid(12345678, item));
    PimIdMap ids;
    const DWORD event = ids.Find(PimIdMap::kEvent, u"ev-1");
    const DWORD task = ids.Find(PimIdMap::kTask, u"task-1");
    ASSERT_NE(event, 0u);
    ASSERT_NE(task, 0u);
    ASSERT_TRUE(store.CalendarItemFromOid(event, item));
    EXPECT_FALSE(item.isTask);
    EXPECT_EQ(item.summary, u"Budget review");
    EXPECT_EQ(item.location, u"Room 4");
    EXPECT_EQ(item.date.wMonth, 3);
    EXPECT_EQ(item.date.wHour, 9);
    EXPECT_EQ(item.date.wMinute, 30);
    ASSERT_TRUE(store.CalendarItemFromOid(task, item));
    EXPECT_TRUE(item.isTask);
    EXPECT_EQ(item.summary, u"File the report");
    EXPECT_TRUE(item.hasDate);
    EXPECT_EQ(item.date.wDay, 1);
    EXPECT_EQ(item.date.wMonth, 4);
}
