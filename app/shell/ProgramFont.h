#pragma once
// The typeface of the program's own surfaces (bars, skinned menus, the entry
// header, the exchange dialog's title): Tahoma at a pixel size, as on the
// handheld; where it is not installed Qt falls back to its sans serif.

#include <QFont>

inline QFont ProgramFont(int pixels, bool bold = true)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
