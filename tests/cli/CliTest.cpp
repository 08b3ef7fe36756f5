// kestrin-cli driven as a subprocess on a journal in a fresh data folder.

#include "TempHome.h"
#include "ZRegistry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class CliTest : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args)
    {
        std::string command = Quote(KESTRIN_CLI);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        std::filesystem::path errFile = home.file("stderr.txt");
        command += " 2>" + Quote(errFile.string());
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, n);
        int status = ::pclose(pipe);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = Slurp(errFile);
        return result;
    }

    // Runs a command that must succeed and returns its output.
    std::string Ok(const std::vector<std::string>& args)
    {
        Result r = Run(args);
        EXPECT_EQ(r.code, 0) << args[0] << ": " << r.err;
        return r.out;
    }

    std::string Add(const std::vector<std::string>& options)
    {
        std::vector<std::string> args = { "add" };
        args.insert(args.end(), options.begin(), options.end());
        std::string out = Ok(args);
        return out.empty() ? out : out.substr(0, out.size() - 1);
    }

    TempHome home;
};

} // namespace

TEST_F(CliTest, UsageErrorsHelpAndVersion)
{
    Result version = Run({ "--version" });
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("kestrin-cli ", 0), 0u);
    EXPECT_EQ(Run({}).code, 2);
    EXPECT_EQ(Run({ "frobnicate" }).code, 2);
    for (const char* command : { "add", "list", "show", "delete", "copy", "sort", "filter", "find", "export",
             "backup", "restore", "check", "stats", "categories", "relations" }) {
        Result help = Run({ command, "--help" });
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_NE(help.out.find(std::string("usage: kestrin-cli ") + command), std::string::npos) << command;
    }
    const std::vector<std::vector<std::string>> badUsage = {
        { "add" },
        { "add", "--subject", "x", "--date", "2020-13-01" },
        { "add", "--subject", "x", "--date", "2021-02-29 10:00" },
        { "add", "--subject", "x", "--date", "2020-01-01 24:00" },
        { "add", "--subject", "x", "--type", "Party" },
        { "add", "--subject", "x", "--priority", "3" },
        { "add", "--subject", "x", "--sensitivity", "-1" },
        { "add", "--subject", "x", "--duration", "soon" },
        { "add", "--subject" },
        { "show", "abc" },
        { "show", "0" },
        { "show", "4294967296" },
        { "show" },
        { "list", "--bogus" },
        { "delete" },
        { "sort", "Note" },
        { "filter", "--months", "13" },
        { "filter", "--range", "2020-01-01" },
        { "filter", "--range", "2020-02-01", "2020-01-01" },
        { "find", "--subject", "a", "--note", "b" },
        { "export", "out.csv" },
        { "export", "out.csv", "--csv", "--fields", "Subject,Mood" },
        { "export", "out.csv", "--csv", "--scope", "1,x" },
        { "categories", "rename", "only-one" },
    };
    for (const auto& args : badUsage) {
        Result r = Run(args);
        EXPECT_EQ(r.code, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(r.err.empty());
    }
    Result missing = Run({ "show", "123456" });
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err;
}

TEST_F(CliTest, EntriesAreAddedListedShownCopiedAndDeleted)
{
    std::string older = Add({ "--subject", "Budget talk", "--date", "2004-05-06 14:05", "--type", "Meeting",
        "--company", "Acme", "--category", "Work", "Food", "--contact", "Ann Lee", "--add-contact",
        "--duration", "90", "--priority", "2", "--sensitivity", "Private", "--note", "bring numbers",
        "--attachment", "/tmp/a&b.txt" });
    std::string newer = Add({ "--subject", "Zürich\ttrip", "--date", "2005-01-02", "--type", "3" });
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(newer.empty());

    EXPECT_EQ(Ok({ "list" }),
        newer + "\t2005-01-02 00:00\tFax\tZürich trip\n" + older
            + "\t2004-05-06 14:05\tMeeting\tBudget talk\n");

    std::string shown = Ok({ "show", older });
    for (const char* line : { "Subject: Budget talk", "Type: Meeting", "Company: Acme",
             "Categories: Work, Food", "Contacts: Ann Lee", "Attachment: /tmp/a&&b.txt",
             "Sensitivity: Private", "Priority: High", "Note:\nbring numbers" })
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;

    std::string copies = Ok({ "copy", older });
    std::string copy = copies.substr(0, copies.size() - 1);
    EXPECT_NE(copy, older);
    EXPECT_EQ(Lines(Ok({ "list" })).size(), 3u);
    std::string relations = Ok({ "relations" });
    EXPECT_NE(relations.find("category\tWork\t2\t" + older + "," + copy), std::string::npos) << relations;
    EXPECT_NE(relations.find("contact\tNone\t1\t" + newer), std::string::npos) << relations;

    Ok({ "delete", older, copy });
    EXPECT_EQ(Lines(Ok({ "list" })).size(), 1u);
    EXPECT_EQ(Ok({ "relations" }).find("Work"), std::string::npos);
    EXPECT_EQ(Run({ "delete", older }).code, 1);
}

TEST_F(CliTest, FilterSortFindAndExport)
{
    std::string jan = Add({ "--subject", "a meeting", "--date", "2005-01-10 09:00", "--category", "Work",
        "--note", "the Budget" });
    std::string mar = Add({ "--subject", "MEETING", "--date", "2005-03-10 09:00" });
    std::string may = Add({ "--subject", "lunch", "--date", "2005-05-10 09:00", "--category", "Home" });

    Ok({ "filter", "--months", "1,3" });
    EXPECT_EQ(Lines(Ok({ "list" })).size(), 2u);
    {
        ZRegistry settings;
        ASSERT_EQ(settings.Open(u"Software\\Quorvalent\\Kestrin"), 0);
        EXPECT_EQ(settings.ReadInt(u"Options", u"fMonths", -1), 5);
        EXPECT_EQ(settings.ReadInt(u"Options", u"fActive", -1), 1);
        EXPECT_EQ(settings.ReadInt(u"Options", u"fRange", -1), 0);
    }
    Ok({ "filter", "--category", "Home", "--categories-only" });
    EXPECT_EQ(Ok({ "list" }).substr(0, may.size() + 1), may + "\t");
    Ok({ "filter", "--range", "2005-03-10", "2005-05-09" });
    EXPECT_EQ(Lines(Ok({ "list" })).size(), 1u);
    EXPECT_NE(Ok({ "filter" }).find("active: yes"), std::string::npos);
    Ok({ "filter", "--clear" });
    EXPECT_EQ(Lines(Ok({ "list" })).size(), 3u);

    Ok({ "sort", "subject", "--ascending" });
    std::vector<std::string> bySubject = Lines(Ok({ "list" }));
    ASSERT_EQ(bySubject.size(), 3u);
    EXPECT_EQ(bySubject[0].substr(0, jan.size() + 1), jan + "\t");
    EXPECT_EQ(bySubject[1].substr(0, may.size() + 1), may + "\t");
    Ok({ "sort", "Date" });

    EXPECT_EQ(Lines(Ok({ "find", "--subject", "meet" })).size(), 2u);
    EXPECT_EQ(Ok({ "find", "--subject", "meet", "--match-case" }), jan + "\n");
    EXPECT_EQ(Ok({ "find", "--note", "budget" }), jan + "\n");
    EXPECT_EQ(Ok({ "find", "--date", "2005-03-10" }), mar + "\n");

    std::filesystem::path csv = home.file("out.csv");
    EXPECT_EQ(Ok({ "export", csv.string(), "--csv", "--fields", "Subject,Type", "--scope", may + "," + jan }),
        "Exported 2 records\n");
    EXPECT_EQ(Slurp(csv), "\"Subject\",\"Type\"\r\n\"lunch\",\"Note\"\r\n\"a meeting\",\"Note\"\r\n");
    EXPECT_EQ(Ok({ "export", home.file("out.txt").string(), "--txt", "--no-header", "--fields", "Subject",
                  "--scope", mar }),
        "Exported 1 record\n");
    EXPECT_EQ(Slurp(home.file("out.txt")), "MEETING\r\n");
    EXPECT_EQ(Run({ "export", csv.string(), "--csv", "--scope", "filtered" }).code, 1);

    Ok({ "delete", jan, mar, may });
    Result none = Run({ "export", home.file("none.csv").string(), "--csv" });
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("No records to export!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.file("none.csv")));
}

TEST_F(CliTest, BackupRestoreCheckStatsAndCategories)
{
    std::string a = Add({ "--subject", "one", "--date", "2005-01-10 09:00", "--category", "Work" });
    std::string b
        = Add({ "--subject", "two", "--date", "2005-01-11 09:00", "--contact", "Ann", "--add-contact" });
    std::filesystem::path file = home.file("j.ksk");
    EXPECT_EQ(Ok({ "backup", file.string() }), "2 Record(s) Backed Up\n");
    Ok({ "delete", a, b });
    EXPECT_EQ(Ok({ "restore", file.string() }),
        "Restored 2 record(s).\n\n0 existing record(s) refreshed.\n\n2 record(s) re-inserted.\n");
    EXPECT_EQ(Ok({ "restore", file.string() }),
        "Restored 2 record(s).\n\n2 existing record(s) refreshed.\n\n0 record(s) re-inserted.\n");
    Result missing = Run({ "restore", home.file("gone.ksk").string() });
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.file("gone.ksk")));
    std::ofstream(home.file("cut.ksk"), std::ios::binary) << std::string("\x37\0\1\0\3\0", 6); // header only
    EXPECT_EQ(Run({ "restore", home.file("cut.ksk").string() }).code, 1);

    Result check = Run({ "check" });
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_NE(check.err.find("Successfully Complete!"), std::string::npos) << check.err;
    std::string stats = Ok({ "stats" });
    EXPECT_NE(stats.find("Records: 2\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("Contact Links: 2\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("Category Links: 2\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("Database Size (Bytes): "), std::string::npos);

    Ok({ "categories", "add", "Garden" });
    EXPECT_NE(Ok({ "categories" }).find("Garden\t0\n"), std::string::npos);
    Ok({ "categories", "rename", "Garden", "Yard" });
    std::string listed = Ok({ "categories", "list" });
    EXPECT_NE(listed.find("Yard\t0\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("Work\t1\n"), std::string::npos) << listed;
    Ok({ "categories", "delete", "Yard" });
    EXPECT_EQ(Ok({ "categories" }).find("Yard"), std::string::npos);
    Ok({ "categories", "delete", "Work" });
    EXPECT_NE(Ok({ "categories" }).find("Work\t1\thidden\n"), std::string::npos) << "in use: hidden, kept";
    EXPECT_EQ(Run({ "categories", "delete", "Nothing" }).code, 1);
}

TEST_F(CliTest, ContactsAreListedAndLinkedByFileAsName)
{
    // Unknown contacts are refused unless they may be added.
    Result unknown = Run({ "add", "--subject", "Lunch", "--contact", "Smith, John" });
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("Smith, John"), std::string::npos) << unknown.err;
    EXPECT_EQ(Ok({ "list" }), "");
    Add({ "--subject", "Lunch", "--contact", "Smith, John", "--add-contact" });

    // A card another program wrote, with a company.
    std::ofstream(home.file("contacts") / "other.vcf") << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:other\r\nFN:Ann "
                                                          "Lee\r\nN:Lee;Ann;;;\r\nORG:Acme\r\nEND:VCARD\r\n";
    std::vector<std::string> book = Lines(Ok({ "contacts" }));
    ASSERT_EQ(book.size(), 2u);
    EXPECT_EQ(book[0].rfind("Lee, Ann\tAcme\t", 0), 0u) << book[0];
    EXPECT_EQ(book[1].rfind("Smith, John\t\t", 0), 0u) << book[1];

    // Found ignoring case, linked with its id and company; nothing added.
    std::string linked = Add({ "--subject", "Visit", "--contact", "lee, ANN" });
    EXPECT_NE(Ok({ "show", linked }).find("Contacts: Lee, Ann"), std::string::npos);
    EXPECT_EQ(Lines(Ok({ "contacts" })).size(), 2u);
}
