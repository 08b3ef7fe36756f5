// kestrin-cli export --ics and import between two data folders.

#include "ShellRun.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class IcsCommandTest : public ::testing::Test {
protected:
    std::string Cli(const std::filesystem::path& home, const std::string& arguments, int expected = 0)
    {
        std::string out;
        EXPECT_EQ(Shell("KESTRIN_HOME=" + Quote(home.string()) + " " + Quote(KESTRIN_CLI) + " " + arguments, out),
            expected)
            << arguments << ": " << out;
        return out;
    }

    // `list` without the OIDs (each journal numbers its own).
    std::string ListWithoutOids(const std::filesystem::path& home)
    {
        std::istringstream in(Cli(home, "list"));
        std::string out;
        for (std::string line; std::getline(in, line);)
            out += line.substr(line.find('\t') + 1) + "\n";
        return out;
    }

    TempHome root;
    std::filesystem::path a = root.file("a");
    std::filesystem::path b = root.file("b");
};

} // namespace

TEST_F(IcsCommandTest, ExportedJournalImportsIntoAnotherAndAgainWithoutDuplicates)
{
    Cli(a, "add --subject 'Call with the bank' --type 'Phone call' --category Business --note 'rates; fees'");
    Cli(a, "add --subject 'Walk' --date '2024-05-01 07:30' --priority High --sensitivity Private");
    const std::string file = root.file("all.ics").string();
    Cli(a, "export --ics " + Quote(file));
    EXPECT_EQ(Cli(b, "import " + Quote(file)), "2 added, 0 changed\n");
    EXPECT_EQ(ListWithoutOids(a), ListWithoutOids(b));
    // The same file again updates the entries its UIDs name.
    EXPECT_EQ(Cli(b, "import " + Quote(file)), "0 added, 2 changed\n");
    EXPECT_EQ(ListWithoutOids(a), ListWithoutOids(b));
}

TEST_F(IcsCommandTest, EventsAndTasksImportAsAppointmentsAndTasksAndBadPartsAreNamed)
{
    const std::string file = root.file("calendar.ics").string();
    std::ofstream(file) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n"
                           "BEGIN:VEVENT\r\nUID:e1\r\nSUMMARY:Dentist\r\nDTSTART:20240102T090000\r\nEND:VEVENT\r\n"
                           "BEGIN:VTODO\r\nUID:t1\r\nSUMMARY:Taxes\r\nDUE;VALUE=DATE:20240415\r\nEND:VTODO\r\n"
                           "BEGIN:VJOURNAL\r\nSUMMARY:no uid\r\nEND:VJOURNAL\r\n"
                           "END:VCALENDAR\r\n";
    std::string out;
    ASSERT_EQ(Shell("KESTRIN_HOME=" + Quote(b.string()) + " " + Quote(KESTRIN_CLI) + " import " + Quote(file), out), 0);
    EXPECT_NE(out.find("skipped calendar.ics: VJOURNAL (no UID): no UID"), std::string::npos) << out;
    EXPECT_EQ(ListWithoutOids(b), "2024-04-15 00:00\tTask\tTaxes\n2024-01-02 09:00\tAppointment\tDentist\n");
    Cli(b, "import " + Quote(root.file("missing.ics").string()), 1);
}
