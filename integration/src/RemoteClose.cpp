#include "RemoteClose.h"

#include "IntegrationExports.h"
#include "ProgramNames.h"
#include "WindowLink.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// Writes the report: length 1, then the flag byte.
HRESULT WriteReport(IRAPIStream& stream, BYTE flag)
{
    const std::uint8_t report[5] = { 1, 0, 0, 0, flag };
    DWORD written = 0;
    if (stream.Write(report, sizeof report, &written) != S_OK || written != sizeof report)
        return E_FAIL;
    return S_OK;
}

} // namespace

CloseOutcome CloseRunningProgram(DWORD waitMs)
{
    HWND window = FindWindowW(kProgramWindowClass, kProgramWindowTitle);
    if (!window)
        return CloseOutcome::NotRunning;
    // The window may have gone between the look-up and the post: then
    // there is nothing left to close, and the wait below sees it gone.
    PostMessageW(window, KWM_CLOSE, 0, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (FindWindowW(kProgramWindowClass, kProgramWindowTitle)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return CloseOutcome::StillRunning;
        std::this_thread::sleep_for(kPollInterval);
    }
    return CloseOutcome::Closed;
}

extern "C" HRESULT KillKestrin(DWORD, BYTE*, DWORD* outputSize, BYTE** output, IRAPIStream* stream)
{
    if (outputSize)
        *outputSize = 0;
    if (output)
        *output = nullptr;
    if (!stream)
        return E_FAIL;
    HRESULT result = S_OK;
    switch (CloseRunningProgram(kCloseWaitMs)) {
    case CloseOutcome::NotRunning:
        result = WriteReport(*stream, 0);
        break;
    case CloseOutcome::Closed:
        result = WriteReport(*stream, 1);
        break;
    case CloseOutcome::StillRunning:
        result = static_cast<HRESULT>(ERROR_TIMEOUT);
        break;
    }
    stream->Release();
    return result;
}
