// The device side of remote close: the report written for a running
// program, for none, and nothing reported for a program that stays.

#include "FakeProgram.h"
#include "IntegrationExports.h"
#include "RemoteClose.h"
#include "TempHome.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A stream that keeps what is written.
class MemoryStream final : public IRAPIStream {
public:
    HRESULT Read(void*, DWORD, DWORD* read) override
    {
        if (read)
            *read = 0;
        return E_FAIL;
    }
    HRESULT Write(const void* buffer, DWORD bytes, DWORD* written) override
    {
        bytes_.append(static_cast<const char*>(buffer), bytes);
        if (written)
            *written = bytes;
        return S_OK;
    }
    ULONG Release() override
    {
        ++releases;
        return 0;
    }
    const std::string& Bytes() const { return bytes_; }
    int releases = 0;

private:
    std::string bytes_;
};

class DeviceCloseTest : public ::testing::Test {
protected:
    DeviceCloseTest() { unsetenv("XDG_RUNTIME_DIR"); }
    TempHome home;
};

} // namespace

TEST_F(DeviceCloseTest, ReportsWhetherARunningProgramWasClosed)
{
    MemoryStream none;
    DWORD size = 9;
    BYTE* output = reinterpret_cast<BYTE*>(&size);
    EXPECT_EQ(KillKestrin(0, nullptr, &size, &output, &none), S_OK);
    EXPECT_EQ(none.Bytes(), std::string("\x01\x00\x00\x00\x00", 5));
    EXPECT_EQ(none.releases, 1);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(output, nullptr);

    FakeProgram program;
    ASSERT_TRUE(program.Listening());
    MemoryStream closed;
    HRESULT result = E_FAIL;
    FakeProgram::WhilePumping([&] { result = KillKestrin(0, nullptr, nullptr, nullptr, &closed); });
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(closed.Bytes(), std::string("\x01\x00\x00\x00\x01", 5));
    // The orderly close, not a bare quit.
    ASSERT_EQ(program.frames.size(), 1u);
    EXPECT_EQ(program.frames[0].message, static_cast<DWORD>(KWM_CLOSE));
    EXPECT_FALSE(program.Listening());
}

TEST_F(DeviceCloseTest, AProgramThatStaysIsNotReportedClosed)
{
    FakeProgram program(false);
    CloseOutcome outcome = CloseOutcome::Closed;
    FakeProgram::WhilePumping([&] { outcome = CloseRunningProgram(300); });
    EXPECT_EQ(outcome, CloseOutcome::StillRunning);
    EXPECT_TRUE(program.Listening());
    EXPECT_EQ(KillKestrin(0, nullptr, nullptr, nullptr, nullptr), E_FAIL);
}
