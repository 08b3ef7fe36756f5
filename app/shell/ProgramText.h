#pragma once
// The names the program is known by: its main window's title and class
// (which the data library's menu extension and remote close look for, so
// they must stay equal to theirs), the settings' profile key and section.

#include "WinTypes.h"

inline constexpr WCHAR kWindowTitle[] = u"Ozm Kestrin";
inline constexpr WCHAR kWindowClass[] = u"KSCLASS";
inline constexpr WCHAR kProfileKey[] = u"Software\\Quorvalent\\Kestrin";
inline constexpr WCHAR kOptionsSection[] = u"Options";

// Shows the program's string `stringId` in a message box without owner,
// captioned with the window title, with the stop icon, brought to the front.
void ShowAppError(UINT stringId);
