// kestrin-cli driven as a subprocess on a journal in a fresh data folder.

#include "JournalProps.h"
#include "PasswordHash.h"
#include "TempHome.h"
#include "ZRegistry.h"
#include "ZString.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

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

std::string Utf8Of(LPCWSTR text)
{
    return ZString::AnsiBytes(text);
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

namespace {

// Runs the command line on a terminal of its own (a pseudo-terminal): each
// time it asks "Enter Password: ", the next of `answers` is typed.
Result RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& answers)
{
    Result result;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child < 0)
        return result;
    if (child == 0) {
        std::vector<char*> argv { const_cast<char*>(KESTRIN_CLI) };
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(KESTRIN_CLI, argv.data());
        _exit(127);
    }
    std::size_t answered = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd wait { master, POLLIN, 0 };
        if (::poll(&wait, 1, 200) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // the program ended and closed its terminal
        result.out.append(buffer, static_cast<std::size_t>(n));
        std::size_t prompts = 0;
        for (std::size_t at = result.out.find("Enter Password: "); at != std::string::npos;
             at = result.out.find("Enter Password: ", at + 1))
            ++prompts;
        while (answered < prompts && answered < answers.size()) {
            const std::string line = answers[answered++] + "\n";
            (void)!::write(master, line.data(), line.size());
        }
    }
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == 0) {
        // Still waiting after the deadline: it is stuck.
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ::close(master);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class CliLockTest : public CliTest {
protected:
    void Lock(const std::string& digits)
    {
        ZRegistry settings;
        ASSERT_EQ(settings.Open(u"Software\\Quorvalent\\Kestrin"), 0);
        const QString record = PasswordHash::Make(QString::fromStdString(digits));
        ASSERT_FALSE(record.isEmpty());
        settings.WriteString(u"Options", u"vacc", ZString::FromQString(record));
        settings.WriteInt(u"Options", u"pwActive", 1);
    }
    // Runs without a terminal at all (a new session), as a script would.
    Result RunDetached(const std::vector<std::string>& args, const std::string& redirect = "")
    {
        std::vector<std::string> words = args;
        std::string command = "setsid " + Quote(KESTRIN_CLI);
        for (const std::string& word : words)
            command += " " + Quote(word);
        std::filesystem::path errFile = home.file("stderr.txt");
        command += " 2>" + Quote(errFile.string()) + " " + redirect + " </dev/null";
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, n);
        const int status = ::pclose(pipe);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = Slurp(errFile);
        return result;
    }
};

} // namespace

TEST_F(CliLockTest, PasswordGuardsEveryCommandOnEntries)
{
    const std::string oid = Add({ "--subject", "secret", "--date", "2005-01-10 09:00" });
    Lock("0420");
    const std::filesystem::path right = home.file("right.txt");
    const std::filesystem::path wrong = home.file("wrong.txt");
    std::ofstream(right) << "0420\n";
    std::ofstream(wrong) << "420\n";

    // Without a terminal and without a password: refused, nothing shown.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "list" }, { "show", oid }, { "export", home.file("x.csv").string(), "--csv" },
             { "backup", home.file("x.ksk").string() }, { "delete", oid }, { "relations" },
             { "add", "--subject", "more" } }) {
        Result r = RunDetached(args);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_EQ(r.out.find("secret"), std::string::npos) << args[0];
        EXPECT_NE(r.err.find("--password-file"), std::string::npos) << args[0] << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(home.file("x.csv")));
    EXPECT_FALSE(std::filesystem::exists(home.file("x.ksk")));

    // A script gives it in a file or on a file descriptor.
    Result listed = RunDetached({ "list", "--password-file", right.string() });
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_NE(listed.out.find("secret"), std::string::npos);
    Result denied = RunDetached({ "list", "--password-file=" + wrong.string() });
    EXPECT_EQ(denied.code, 1);
    EXPECT_EQ(denied.out, "");
    EXPECT_NE(denied.err.find("Incorrect Password. Access Denied!"), std::string::npos) << denied.err;
    setenv("KESTRIN_PASSWORD_FD", "3", 1);
    Result byFd = RunDetached({ "show", oid }, "3<" + Quote(right.string()));
    Result byFdWrong = RunDetached({ "show", oid }, "3<" + Quote(wrong.string()));
    unsetenv("KESTRIN_PASSWORD_FD");
    EXPECT_EQ(byFd.code, 0) << byFd.err;
    EXPECT_NE(byFd.out.find("secret"), std::string::npos);
    EXPECT_EQ(byFdWrong.code, 1);

    // Commands that touch no entry do not ask.
    EXPECT_EQ(RunDetached({ "sort", "Subject" }).code, 0);
    EXPECT_EQ(RunDetached({ "filter" }).code, 0);
    EXPECT_EQ(RunDetached({ "categories", "add", "Garden" }).code, 0);
}

TEST_F(CliLockTest, TerminalAsksWithoutEchoThreeTimes)
{
    Add({ "--subject", "secret", "--date", "2005-01-10 09:00" });
    Lock("0420");
    Result second = RunOnTerminal({ "list" }, { "1111", "0420" });
    EXPECT_EQ(second.code, 0) << second.out;
    EXPECT_NE(second.out.find("secret"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("Incorrect Password. Access Denied!"), std::string::npos);
    // The digits typed are never shown.
    EXPECT_EQ(second.out.find("1111"), std::string::npos) << second.out;
    EXPECT_EQ(second.out.find("0420"), std::string::npos) << second.out;

    Result refused = RunOnTerminal({ "list" }, { "1", "2", "3", "0420" });
    EXPECT_EQ(refused.code, 1) << refused.out;
    EXPECT_EQ(refused.out.find("secret"), std::string::npos);
    std::size_t prompts = 0;
    for (std::size_t at = refused.out.find("Enter Password: "); at != std::string::npos;
         at = refused.out.find("Enter Password: ", at + 1))
        ++prompts;
    EXPECT_EQ(prompts, 3u) << refused.out;
}

TEST_F(CliTest, CategoryRenameReachesEveryEntryAndTheIndex)
{
    const std::string a = Add({ "--subject", "one", "--date", "2005-01-10 09:00", "--category", "Work",
        "--category", "Home" });
    const std::string b = Add({ "--subject", "two", "--date", "2005-01-11 09:00", "--category", "work" });
    const std::string c = Add({ "--subject", "three", "--date", "2005-01-12 09:00", "--category", "Home" });
    Ok({ "categories", "rename", "Work", "Job" });
    for (const std::string& oid : { a, b })
        EXPECT_NE(Ok({ "show", oid }).find("Categories: Job"), std::string::npos) << oid;
    EXPECT_NE(Ok({ "show", a }).find("Home"), std::string::npos);
    EXPECT_EQ(Ok({ "show", c }).find("Job"), std::string::npos);

    Ok({ "filter", "--category", "Job" });
    std::vector<std::string> shown = Lines(Ok({ "list" }));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].substr(0, b.size() + 1), b + "\t");
    EXPECT_EQ(shown[1].substr(0, a.size() + 1), a + "\t");
    Ok({ "filter", "--clear" });
    // The integrity check rebuilds the index from the entries: still "Job".
    EXPECT_EQ(Run({ "check" }).code, 0);
    const std::string relations = Ok({ "relations" });
    EXPECT_NE(relations.find("category\tJob\t2\t"), std::string::npos) << relations;
    EXPECT_EQ(relations.find("Work"), std::string::npos) << relations;
    EXPECT_EQ(Ok({ "categories" }).find("Work"), std::string::npos);

    // Refused, with nothing changed: a name another category has, a missing one.
    Result taken = Run({ "categories", "rename", "Job", "Home" });
    EXPECT_EQ(taken.code, 1);
    EXPECT_NE(taken.err.find("exists already"), std::string::npos) << taken.err;
    EXPECT_NE(Ok({ "show", a }).find("Job"), std::string::npos);
    EXPECT_EQ(Run({ "categories", "rename", "Nothing", "Else" }).code, 1);
}

TEST_F(CliTest, DurationsSubjectsAndMessagesThatHelp)
{
    const std::vector<std::pair<std::string, std::string>> accepted = {
        { "1:30", "1 hour 30 min" }, { "90", "1 hour 30 min" }, { "0:05", "5 minutes" },
        { "1.5h", "1 hour 30 min" }, { "2d 4h", "2 days 4 hrs" }, { "2 dys 3 hrs 15 mn", "2 dys 3 hrs 15 mn" },
        { ".5 days", "12 hours" }, { "1w", "7 days" }, { "36525 days", "36525 days" },
    };
    for (const auto& [typed, text] : accepted) {
        const std::string oid = Add({ "--subject", "timed", "--duration", typed });
        EXPECT_NE(Ok({ "show", oid }).find("Duration: " + text + "\n"), std::string::npos) << typed;
    }
    for (const char* typed : { "-5", "99999999999", "36526 days", "1:75", "soon", "5 parsecs", "1h -30", "" }) {
        Result r = Run({ "add", "--subject", "timed", "--duration", typed });
        EXPECT_EQ(r.code, 2) << typed;
        EXPECT_NE(r.err.find("h:mm (\"1:30\")"), std::string::npos) << typed << ": " << r.err;
    }
    for (const char* blank : { "", "   " }) {
        Result r = Run({ "add", "--subject", blank });
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("subject is empty"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Ok({ "list" }).find("\t\n"), std::string::npos) << "no blank rows";

    Result type = Run({ "add", "--subject", "x", "--type", "Foo" });
    EXPECT_EQ(type.code, 2);
    for (int i = 0; i < TYPE_COUNT; ++i)
        EXPECT_NE(type.err.find(Utf8Of(TypeText(i))), std::string::npos) << type.err;
    const std::string help = Ok({ "add", "--help" });
    for (int i = 0; i < PRIORITY_COUNT; ++i)
        EXPECT_NE(help.find(Utf8Of(PriorityText(i))), std::string::npos) << help;
    for (int i = 0; i < SENSITIVITY_COUNT; ++i)
        EXPECT_NE(help.find(Utf8Of(SensitivityText(i))), std::string::npos) << help;
    Result early = Run({ "add", "--subject", "x", "--date", "1500-06-01" });
    EXPECT_EQ(early.code, 2);
    EXPECT_NE(early.err.find("1601-01-01 to 9999-12-31"), std::string::npos) << early.err;
    Result twice = Run({ "add", "--subject", "a", "--subject", "b" });
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find("--subject is given more than once"), std::string::npos) << twice.err;

    Result noCategory = Run({ "filter", "--category", "Nowhere" });
    EXPECT_EQ(noCategory.code, 1);
    EXPECT_NE(noCategory.err.find("no category \"Nowhere\""), std::string::npos) << noCategory.err;
    EXPECT_NE(Ok({ "filter" }).find("active: no"), std::string::npos) << "the saved filter is unchanged";

    const std::string entry = Add({ "--subject", "kept" });
    Result scope = Run({ "export", home.file("s.csv").string(), "--csv", "--scope", entry + ",65550,99999" });
    EXPECT_EQ(scope.code, 1);
    EXPECT_NE(scope.err.find("65550,99999"), std::string::npos) << scope.err;
    EXPECT_FALSE(std::filesystem::exists(home.file("s.csv")));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "export", home.path().string(), "--csv" }, { "backup", home.path().string() },
             { "restore", home.path().string() } }) {
        Result r = Run(args);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_EQ(r.err.rfind("kestrin-cli " + args[0] + ": \"" + home.path().string() + "\" is a folder", 0), 0u)
            << args[0] << ": " << r.err;
    }
}

TEST_F(CliTest, ProgressOnlyOnATerminal)
{
    for (int i = 0; i < 3; ++i)
        Add({ "--subject", "entry " + std::to_string(i) });
    // Not a terminal: the result and nothing else.
    Result quiet = Run({ "backup", home.file("a.ksk").string() });
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, "3 Record(s) Backed Up\n");
    Result checked = Run({ "check" });
    EXPECT_EQ(checked.code, 0);
    EXPECT_EQ(checked.err.find('%'), std::string::npos) << checked.err;

    // A terminal: one line that updates in place, with the count.
    Result shown = RunOnTerminal({ "backup", home.file("b.ksk").string() }, {});
    EXPECT_EQ(shown.code, 0) << shown.out;
    EXPECT_NE(shown.out.find("\r100%  3/3"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find(" 10%\n"), std::string::npos) << shown.out;
}
