#pragma once
// Message numbers and parameter types of the messages that travel to the
// program's main window, from inside the program (commands, timers) and from
// other processes (the posted messages of WindowLink.h). The numbers are the
// platform's own, so code that builds a parameter (MAKEWPARAM(1026, 1126))
// keeps its values. Plain constants: no state, usable from any thread.

#include "WinTypes.h"

#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

enum : UINT {
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_SETTINGCHANGE = 0x001A,
    WM_NOTIFY = 0x004E,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_USER = 0x0400,

    // Private messages of the main window.
    KWM_CLOSE = WM_USER - 1, // 1023: same as WM_CLOSE
    KWM_CURSOR = WM_USER + 101, // 1125: wParam 1 wait cursor on, 2 off and refresh
    KWM_PIMITEM = WM_USER + 102, // 1126: wParam kind | count << 16, lParam item id
    KWM_SPLITTER = WM_USER + 106, // 1130: lParam the new splitter position
};

// WM_ACTIVATE states (low word of wParam).
enum : WORD {
    WA_INACTIVE = 0,
    WA_ACTIVE = 1,
};

// Private command codes carried in the high word of a WM_COMMAND's wParam.
enum : WORD {
    KCMD_REFRESH = 1126, // low word 1026: rebuild the list or tree if a refresh is pending
    KCMD_SORTBY = 1127, // low word: the field to sort by
    KCMD_REVERSE = 1129, // low word: the bar's id
    KCMD_REFRESH_ID = 1026,
};

constexpr WORD LOWORD(std::uintptr_t value)
{
    return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t value)
{
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high)
{
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high)
{
    return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
