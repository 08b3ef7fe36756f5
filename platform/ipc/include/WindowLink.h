#pragma once
// Reaching the program's main window from another process (or from a second
// copy of the program): the window of a class and title listens on a Unix
// socket of the current user (see WindowListener.h); finding the window means
// that socket answers, posting a message means sending it one frame.
//
// The socket lives in $XDG_RUNTIME_DIR (private to the user), else in the
// data folder. Its name is formed from the class and the title; when
// KESTRIN_HOME names a data folder of its own, a hash of that folder is part
// of the name, so each data folder has its own running copy.
//
// Window handles returned here are tokens of this module (small numbers, not
// pointers); they are valid for PostMessageW and SetForegroundWindow for the
// life of the process and never refer to a window of this process.
// All functions are thread-safe and need no event loop.

#include "WinTypes.h"
#include "WindowMessages.h"

#include <string>

// The socket path of the window with this class and title, as an absolute
// file name; empty when a name is null or empty or the path would be longer
// than a Unix socket address holds.
std::string WindowSocketPath(LPCWSTR className, LPCWSTR title);

// The running window of this class and title, or null when no listener
// answers (the last error is then ERROR_FILE_NOT_FOUND).
HWND FindWindowW(LPCWSTR className, LPCWSTR title);

// Sends one message to a window found by FindWindowW and returns at once
// (the window handles it on its own thread later). Returns 1 when the frame
// was handed over. Returns 0 and sets the last error to:
// ERROR_INVALID_WINDOW_HANDLE for a handle this module did not give out or a
// window that no longer listens; ERROR_INVALID_PARAMETER for a message other
// processes may not post (see IpcFrame.h) or a parameter above 32 bits.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Asks the window to come to the front (posts WM_ACTIVATE with WA_ACTIVE).
BOOL SetForegroundWindow(HWND window);

inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
