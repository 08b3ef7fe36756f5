// The desktop side of remote close: the report read from kestrin-rapi on
// this computer and through a stand-in for ssh, and peers that answer
// wrongly, fail with and without an error code, or never answer.

#include "OzmUtil.h"
#include "FakeProgram.h"
#include "RemoteCloseCommand.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class OzmUtilTest : public ::testing::Test {
protected:
    OzmUtilTest()
    {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("KESTRIN_RAPI_PREFIX");
        previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (std::string(KST_RAPI_DIR) + ":" + previousPath).c_str(), 1);
    }
    ~OzmUtilTest() override
    {
        setenv("PATH", previousPath.c_str(), 1);
        unsetenv("KESTRIN_RAPI_PREFIX");
    }

    // A command prefix that runs `script` in place of the device side.
    std::vector<std::string> Peer(const std::string& name, const std::string& script)
    {
        const std::filesystem::path file = home.file(name);
        std::ofstream(file) << "#!/bin/sh\n" << script << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        return { file.string() };
    }

    TempHome home;
    std::string previousPath;
};

} // namespace

TEST_F(OzmUtilTest, ReportsAreReadExactly)
{
    std::string text;
    EXPECT_EQ(ReadCloseReport(std::string("\x01\x00\x00\x00\x01", 5), text), 1);
    EXPECT_EQ(ReadCloseReport(std::string("\x01\x00\x00\x00\x00", 5), text), 0);
    EXPECT_TRUE(text.empty());
    for (const std::string& bad : { std::string(), std::string("\x01\x00", 2),
             std::string("\x01\x00\x00\x00", 4), std::string("\x05\x00\x00\x00\x01\x01\x01\x01\x01", 9),
             std::string("\x01\x00\x00\x00\x02", 5) }) {
        text.clear();
        EXPECT_EQ(ReadCloseReport(bad, text), 13) << bad.size();
        EXPECT_FALSE(text.empty());
    }
    EXPECT_EQ(RemoteCloseMessage(0x80004005, "It failed"), "Error 80004005\nIt failed.");
}

TEST_F(OzmUtilTest, ClosesTheProgramOnThisComputerAndThroughAPrefix)
{
    RemoteCloseResult outcome;
    {
        FakeProgram program;
        ASSERT_TRUE(program.Listening());
        FakeProgram::WhilePumping([&] { outcome = RunRemoteClose({}, kRemoteCloseTimeoutMs); });
        EXPECT_EQ(outcome.result, 1) << outcome.errorText;
        EXPECT_FALSE(program.Listening());
    }
    outcome = RunRemoteClose({}, kRemoteCloseTimeoutMs);
    EXPECT_EQ(outcome.result, 0) << outcome.errorText;
    EXPECT_TRUE(outcome.errorText.empty());

    // A stand-in for ssh: the first word names the host, the rest is the
    // command the other side runs.
    const std::vector<std::string> ssh = Peer("ssh", "shift; exec sh -c \"$*\"");
    setenv("KESTRIN_RAPI_PREFIX", (ssh[0] + " handheld").c_str(), 1);
    FakeProgram program;
    int result = -1;
    FakeProgram::WhilePumping([&] { result = KillKestrin(); });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(program.Listening());
}

TEST_F(OzmUtilTest, FailuresAreNeverTakenForNotRunning)
{
    RemoteCloseResult outcome = RunRemoteClose(Peer("long", "printf '\\005\\000\\000\\000\\001abcd'"), 5000);
    EXPECT_EQ(outcome.result, 13);
    EXPECT_NE(outcome.errorText.find("length of 5"), std::string::npos);

    outcome = RunRemoteClose(Peer("silent", "exit 0"), 5000);
    EXPECT_EQ(outcome.result, 13);

    outcome
        = RunRemoteClose(Peer("refused", "echo 'kestrin-rapi: error 5: Access denied' >&2; exit 1"), 5000);
    EXPECT_EQ(outcome.result, 5);
    EXPECT_EQ(outcome.errorText, "Access denied");

    outcome = RunRemoteClose(
        Peer("unreachable", "echo 'ssh: connect to host handheld: Connection refused' >&2; exit 255"), 5000);
    EXPECT_EQ(static_cast<unsigned>(outcome.result), 0x80004005u);
    EXPECT_NE(outcome.errorText.find("Connection refused"), std::string::npos);

    outcome = RunRemoteClose(Peer("hangs", "exec sleep 30"), 300);
    EXPECT_EQ(outcome.result, 1460);

    outcome = RunRemoteClose({ home.file("no-such-command").string() }, 5000);
    EXPECT_EQ(outcome.result, 2);

    setenv("KESTRIN_RAPI_PREFIX",
        Peer("refused2", "echo 'kestrin-rapi: error 53: The network path was not found' >&2; exit 1")[0]
            .c_str(),
        1);
    EXPECT_EQ(KillKestrin(), 53);
}
