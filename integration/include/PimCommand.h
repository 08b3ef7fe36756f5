#pragma once
// Handing a contact, appointment or task to the program: the work behind
// CePimCommand. The running program is found by its window; when none runs,
// the installed program is started (the file "kestrin" beside the host
// program, else on PATH) and its window is waited for. The wait ends early
// when the started process ends: if no other copy's window answers then,
// "Can't Find Ozm Kestrin" is shown at once instead of after the whole wait.
// A process that never shows a window within the wait is terminated, so no
// second copy is left behind. Then the PIM item message goes to the window
// (wParam: kind in the low word, count in the high word; lParam: the object
// id) and the window is brought to the front.
//
// Messages go through the UI hooks. Blocks the calling thread while waiting.

#include "WinTypes.h"

#include <chrono>
#include <filesystem>
#include <string>

struct PimCommandWait {
    int tries = 10000;
    std::chrono::milliseconds interval { 100 };
};

enum class PimHandOver {
    Nothing, // no item was given
    Posted, // the message reached a window
    StartFailed, // the program could not be started ("Error Starting ...")
    NotFound, // no window appeared ("Can't Find ...")
};

inline constexpr WCHAR kStartErrorText[] = u"Error Starting Ozm Kestrin. Please reinstall";
inline constexpr WCHAR kNotFoundText[] = u"Can't Find Ozm Kestrin";

PimHandOver HandPimItem(DWORD kind, DWORD count, const DWORD* items, const PimCommandWait& wait);

// The program to start: "kestrin" in the folder of the running executable
// when it is there and executable, else the first one on PATH; empty when
// there is none.
std::filesystem::path FindProgramFile();
