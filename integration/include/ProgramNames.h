#pragma once
// The names the running program is found by: its main window's class and
// title (the program's own copy of them must stay equal), and the settings'
// profile key. Plain constants.

#include "WinTypes.h"

inline constexpr WCHAR kProgramWindowClass[] = u"KSCLASS";
inline constexpr WCHAR kProgramWindowTitle[] = u"Ozm Kestrin";
inline constexpr WCHAR kProgramProfileKey[] = u"Software\\Quorvalent\\Kestrin";
// The program's file name, looked for beside the host and on PATH.
inline constexpr char kProgramFileName[] = "kestrin";
