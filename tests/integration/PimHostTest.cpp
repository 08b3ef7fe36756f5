// kestrin-pim, the host of the menu extension: contact and calendar files
// and UIDs become the object ids the address book gives them, a file from
// elsewhere joins the address book first, and a file that holds no item is
// refused without a message to the program.

#include "FakeProgram.h"
#include "IntegrationExports.h"
#include "PimIdMap.h"
#include "TempHome.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class PimHostTest : public ::testing::Test {
protected:
    PimHostTest() { unsetenv("XDG_RUNTIME_DIR"); }

    void Write(const std::filesystem::path& file, const std::string& text)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    // Runs kestrin-pim with `arguments` while the stand-in program listens;
    // returns its exit status and keeps what it wrote to stderr in `said`.
    int Run(const std::string& arguments)
    {
        const std::filesystem::path errors = home.file("pim-stderr.txt");
        int status = -1;
        FakeProgram::WhilePumping([&] {
            status = std::system((std::string(KST_PIM) + " " + arguments + " 2>'" + errors.string() + "'").c_str());
        });
        FakeProgram::Pump([] { return false; }, 50);
        std::ifstream in(errors);
        said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    DWORD IdOf(PimIdMap::Kind kind, const std::u16string& uid) { return PimIdMap().Find(kind, uid); }

    TempHome home;
    FakeProgram program;
    std::string said;
};

const char kCard[] = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
                     "ORG:Harbour Works\r\nEND:VCARD\r\n";
const char kTask[] = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\nUID:task-9\r\n"
                     "SUMMARY:Send the offer\r\nDUE:20260110T120000\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";

} // namespace

TEST_F(PimHostTest, FilesInTheFoldersAndUidsAreHandedOverByTheirIds)
{
    const std::filesystem::path card = home.file("contacts") / "ann-1.vcf";
    Write(card, kCard);
    ASSERT_EQ(Run("'" + card.string() + "'"), 0);
    EXPECT_EQ(said, "") << "a hand-over that worked says nothing";
    ASSERT_EQ(program.frames.size(), 2u); // the item, then to the front
    EXPECT_EQ(program.frames[0].message, static_cast<DWORD>(KWM_PIMITEM));
    EXPECT_EQ(program.frames[0].wParam, MAKEWPARAM(PIM_KIND_CONTACT, 1));
    const DWORD ann = IdOf(PimIdMap::kContact, u"ann-1");
    ASSERT_NE(ann, 0u);
    EXPECT_EQ(program.frames[0].lParam, ann);

    program.frames.clear();
    ASSERT_EQ(Run("--contact ann-1"), 0);
    EXPECT_EQ(said, "");
    ASSERT_FALSE(program.frames.empty());
    EXPECT_EQ(program.frames[0].lParam, ann);

    program.frames.clear();
    EXPECT_EQ(Run("--contact nobody"), 1);
    EXPECT_NE(said.find("no item with UID nobody"), std::string::npos) << said;
    EXPECT_TRUE(program.frames.empty());
}

TEST_F(PimHostTest, AFileFromElsewhereJoinsTheAddressBook)
{
    const std::filesystem::path task = home.file("Downloads") / "offer.ics";
    Write(task, kTask);
    ASSERT_EQ(Run("'" + task.string() + "'"), 0);
    ASSERT_FALSE(program.frames.empty());
    EXPECT_EQ(program.frames[0].wParam, MAKEWPARAM(PIM_KIND_TASK, 1));
    EXPECT_EQ(program.frames[0].lParam, IdOf(PimIdMap::kTask, u"task-9"));
    EXPECT_TRUE(std::filesystem::exists(home.file("tasks") / "task-9.ics"));

    // Handing it over again finds it there; nothing is copied twice.
    program.frames.clear();
    ASSERT_EQ(Run("'" + task.string() + "'"), 0);
    ASSERT_FALSE(program.frames.empty());
    EXPECT_EQ(program.frames[0].lParam, IdOf(PimIdMap::kTask, u"task-9"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(home.file("tasks")))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST_F(PimHostTest, FilesWithoutAnItemAreRefused)
{
    const std::filesystem::path empty = home.file("empty.vcf");
    Write(empty, "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(Run("'" + empty.string() + "'"), 1);
    const std::filesystem::path text = home.file("notes.txt");
    Write(text, "hello");
    EXPECT_EQ(Run("'" + text.string() + "'"), 1);
    EXPECT_EQ(Run("'" + home.file("missing.ics").string() + "'"), 1);
    EXPECT_EQ(Run(""), 2);
    EXPECT_TRUE(program.frames.empty());
    EXPECT_FALSE(std::filesystem::exists(home.file("contacts") / "empty.vcf"));
}
