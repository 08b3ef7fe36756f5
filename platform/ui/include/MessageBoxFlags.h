#pragma once
// The message-box style flags, the sound flags and the answer codes that the
// libraries pass to the UI hooks. The numbers are the platform's own, so code
// that combines them (MB_YESNO | MB_SETFOREGROUND == 0x10004) keeps its values.
// Plain constants: no state, usable from any thread.

#include "WinTypes.h"

#include <vector>

enum : UINT {
    // Button sets (the low four bits).
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,

    // Icons.
    MB_ICONHAND = 0x10,
    MB_ICONSTOP = MB_ICONHAND,
    MB_ICONERROR = MB_ICONHAND,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = MB_ICONEXCLAMATION,
    MB_ICONASTERISK = 0x40,
    MB_ICONINFORMATION = MB_ICONASTERISK,
    MB_ICONMASK = 0xF0,

    // Which button is the default (answered by Enter, and by a headless run).
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFBUTTON4 = 0x300,
    MB_DEFMASK = 0xF00,

    // Modality and placement.
    MB_APPLMODAL = 0x0000,
    MB_SYSTEMMODAL = 0x1000,
    MB_TASKMODAL = 0x2000,
    MB_SETFOREGROUND = 0x10000,
    MB_TOPMOST = 0x40000,
};

// Answers of a message box: the button the user chose.
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// Flags of PlaySoundW.
enum : DWORD {
    SND_SYNC = 0x0000,
    SND_ASYNC = 0x0001,
    SND_NODEFAULT = 0x0002,
    SND_LOOP = 0x0008,
    SND_NOSTOP = 0x0010,
    SND_NOWAIT = 0x00002000,
    SND_FILENAME = 0x00020000,
};

// The answers of the buttons a message-box style shows, left to right
// (MB_YESNO -> {IDYES, IDNO}). An unknown button set shows OK alone.
std::vector<int> MessageBoxButtons(UINT type);

// The answer of the default button of a style: the button MB_DEFBUTTONn
// names, or the first button when the set has fewer buttons than n.
int MessageBoxDefaultAnswer(UINT type);
