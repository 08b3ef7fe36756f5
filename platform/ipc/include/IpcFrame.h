#pragma once
// One posted message as it crosses between processes: three unsigned 32-bit
// numbers {message, wParam, lParam}, little-endian, 12 bytes, nothing else.
// A frame comes from outside the program, so decoding checks everything:
// the exact length and that the message is one the main window accepts from
// other processes. Plain functions: no state, usable from any thread.

#include "WinTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct IpcFrame {
    DWORD message = 0;
    DWORD wParam = 0;
    DWORD lParam = 0;
};

inline constexpr std::size_t kIpcFrameSize = 12;

// 1 when `message` may come from another process: WM_ACTIVATE (raise the
// window), WM_QUIT, the close message 1023, the cursor message 1125 and the
// PIM item message 1126. Everything else (commands, sizes, timers) is the
// program's own business and is refused.
BOOL IsPostableMessage(DWORD message);

std::array<std::uint8_t, kIpcFrameSize> EncodeIpcFrame(const IpcFrame& frame);

// Reads one frame from exactly `size` bytes. Returns 1 and fills `frame` when
// the bytes are one whole frame of a postable message; 0 (frame untouched)
// for a null pointer, any other length or a message that is not postable.
BOOL DecodeIpcFrame(const std::uint8_t* bytes, std::size_t size, IpcFrame* frame);
