#pragma once
// Colours as the system stores them: 0x00BBGGRR in one 32-bit number (skin
// files, settings), and their conversion to Qt colours. Plain functions.

#include "WinTypes.h"

#include <QColor>

using COLORREF = DWORD;

constexpr COLORREF RGB(int red, int green, int blue)
{
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF colour)
{
    return colour & 0xFF;
}
constexpr int GetGValue(COLORREF colour)
{
    return (colour >> 8) & 0xFF;
}
constexpr int GetBValue(COLORREF colour)
{
    return (colour >> 16) & 0xFF;
}

// The top byte is ignored (it is not alpha): the colour is always opaque.
inline QColor ToQColor(COLORREF colour)
{
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}
inline COLORREF FromQColor(const QColor& colour)
{
    return RGB(colour.red(), colour.green(), colour.blue());
}
