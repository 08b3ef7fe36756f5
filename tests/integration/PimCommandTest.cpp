// The menu extension: nothing without an item; a running program only gets
// the message; a program that must be started is waited for, and one that
// dies or never shows its window ends the wait with "Can't Find" and leaves
// no process behind.

#include "PimCommand.h"
#include "FakeProgram.h"
#include "IntegrationExports.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

class PimCommandTest : public ::testing::Test {
protected:
    PimCommandTest()
    {
        unsetenv("XDG_RUNTIME_DIR");
        previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        std::filesystem::create_directories(bin);
        // Only the stand-in programs of this test can be started.
        setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
    }
    ~PimCommandTest() override { setenv("PATH", previousPath.c_str(), 1); }

    // A program named "kestrin" in the test's PATH that runs `script`.
    void InstallProgram(const std::string& script)
    {
        const std::filesystem::path program = bin / "kestrin";
        std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    std::vector<std::u16string> Boxes()
    {
        std::vector<std::u16string> texts;
        for (const UiCall& call : hooks.Calls(UiCall::Kind::MessageBox))
            texts.push_back(call.text);
        return texts;
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    std::filesystem::path bin = home.file("bin");
    std::filesystem::path started = home.file("started");
    std::string previousPath;
};

} // namespace

TEST_F(PimCommandTest, NothingHappensWithoutAnItem)
{
    InstallProgram("touch '" + started.string() + "'");
    const DWORD item = 5;
    EXPECT_EQ(HandPimItem(PIM_KIND_CONTACT, 0, &item, {}), PimHandOver::Nothing);
    CePimCommand(nullptr, PIM_KIND_CONTACT, 2, nullptr, nullptr);
    EXPECT_FALSE(std::filesystem::exists(started));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PimCommandTest, ARunningProgramOnlyGetsTheMessage)
{
    InstallProgram("touch '" + started.string() + "'");
    FakeProgram program;
    ASSERT_TRUE(program.Listening());
    const DWORD items[] = { 0x8001234u, 99 };
    FakeProgram::WhilePumping([&] { CePimCommand(nullptr, PIM_KIND_TASK, 2, items, nullptr); });
    ASSERT_TRUE(FakeProgram::Pump([&] { return program.frames.size() >= 2; }));
    EXPECT_EQ(program.frames[0].message, static_cast<DWORD>(KWM_PIMITEM));
    EXPECT_EQ(program.frames[0].wParam, MAKEWPARAM(PIM_KIND_TASK, 2));
    EXPECT_EQ(program.frames[0].lParam, 0x8001234u);
    EXPECT_EQ(program.frames[1].message, static_cast<DWORD>(WM_ACTIVATE)); // brought to the front
    EXPECT_FALSE(std::filesystem::exists(started));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PimCommandTest, AStartedProgramThatDiesEndsTheWaitAtOnce)
{
    InstallProgram("touch '" + started.string() + "'; exit 3");
    const DWORD item = 7;
    const auto begin = std::chrono::steady_clock::now();
    // The whole wait would be 1,000 s.
    EXPECT_EQ(HandPimItem(PIM_KIND_CONTACT, 1, &item, {}), PimHandOver::NotFound);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_TRUE(std::filesystem::exists(started));
    EXPECT_EQ(Boxes(), std::vector<std::u16string> { kNotFoundText });
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox)[0].caption, u"Ozm Kestrin");
}

TEST_F(PimCommandTest, AStartedProgramWithoutAWindowIsNotLeftRunning)
{
    const std::filesystem::path pidFile = home.file("pid");
    InstallProgram("echo $$ > '" + pidFile.string() + "'; exec sleep 60");
    const DWORD item = 7;
    EXPECT_EQ(HandPimItem(
                  PIM_KIND_APPOINTMENT, 1, &item, { .tries = 20, .interval = std::chrono::milliseconds(20) }),
        PimHandOver::NotFound);
    std::ifstream in(pidFile);
    pid_t pid = 0;
    ASSERT_TRUE(in >> pid);
    EXPECT_NE(::kill(pid, 0), 0); // gone (and reaped)
    EXPECT_EQ(Boxes(), std::vector<std::u16string> { kNotFoundText });
}

TEST_F(PimCommandTest, NoProgramToStart)
{
    const DWORD item = 7;
    EXPECT_EQ(HandPimItem(PIM_KIND_CONTACT, 1, &item, {}), PimHandOver::StartFailed);
    EXPECT_EQ(Boxes(), std::vector<std::u16string> { kStartErrorText });
}

TEST_F(PimCommandTest, AStartedProgramIsWaitedForAndGetsTheMessage)
{
    const std::filesystem::path pidFile = home.file("pid");
    InstallProgram("echo $$ > '" + pidFile.string() + "'; exec sleep 60");
    const DWORD item = 42;
    std::atomic<PimHandOver> outcome = PimHandOver::Nothing;
    std::atomic<bool> finished = false;
    std::thread host([&] {
        outcome = HandPimItem(PIM_KIND_CONTACT, 1, &item, {});
        finished = true;
    });
    // The started program shows its window (this test's socket) once it runs.
    std::unique_ptr<FakeProgram> program;
    FakeProgram::Pump(
        [&] {
            if (!program && std::filesystem::exists(pidFile))
                program = std::make_unique<FakeProgram>();
            return finished.load();
        },
        10000);
    host.join();
    EXPECT_EQ(outcome, PimHandOver::Posted);
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(FakeProgram::Pump([&] { return !program->frames.empty(); }));
    EXPECT_EQ(program->frames[0].message, static_cast<DWORD>(KWM_PIMITEM));
    EXPECT_EQ(program->frames[0].lParam, 42u);
    EXPECT_TRUE(Boxes().empty());
    std::ifstream in(pidFile);
    pid_t pid = 0;
    ASSERT_TRUE(in >> pid);
    ::kill(pid, SIGKILL);
}
