#pragma once
// The device side of remote close as the journal library does it: find the
// running program's window, ask it to close in the orderly way (the close
// message 1023, which closes the journal before the window goes) and wait,
// for a bounded time, until the window is gone. KillKestrin (see
// IntegrationExports.h) reports the outcome through the remote API's stream.
// Any thread.

#include "WinTypes.h"

enum class CloseOutcome {
    NotRunning, // no window answered
    Closed, // the window was told to close and is gone
    StillRunning, // told to close, but the window stayed past the wait
};

// How long KillKestrin waits for the window to go, in milliseconds.
inline constexpr DWORD kCloseWaitMs = 10000;

CloseOutcome CloseRunningProgram(DWORD waitMs);
