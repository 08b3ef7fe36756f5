#pragma once
// Skin: what dresses the program's own surfaces (bars, splitter, owner-drawn
// menus, the main window's background): a picture tiled as the background
// brush and two text colours. A skin named N is the picture "N.skn" (any
// picture format Qt reads; the name says nothing of the format) and the
// colour file "N.ski" (first line the menu-text colour, second line the
// selected-text colour, each a hexadecimal 0x00BBGGRR number), found in the
// user's skin folder (<data folder>/skins) or among the skins installed with
// the program. The built-in "Windows Standard" uses the system's colours and
// no picture.
//
// The program has one Skin for its whole run (see ProgramObjects.h); the skin
// chooser makes its own for the preview. Colours are read by the drawing code
// at every paint. UI thread only.

#include "WinTypes.h"
#include "ZColor.h"

#include <QBrush>
#include <QColor>
#include <QPixmap>
#include <QStringList>

inline constexpr WCHAR kStandardSkinName[] = u"Windows Standard";

class Skin {
public:
    // No picture, no brush; colours those of the system's menu text and
    // selection background.
    Skin();

    // Puts skin `name` in force; returns 1 when it is. A null name changes
    // nothing (0). "Windows Standard" takes the system's colours and its
    // button-face brush. Any other name drops the current picture and brush
    // first; if its picture cannot be loaded (missing, unreadable, a name
    // that is not a plain file name) the skin is left without brush, keeping
    // its colours, and 0 is returned. Otherwise the colours are read from the
    // ".ski" file (a missing file or line reads as 0, black) and the brush
    // tiles the picture.
    BOOL Load(LPCWSTR name);

    bool changed = false;
    QPixmap bitmap;
    QBrush brush; // Qt::NoBrush when none
    COLORREF menuText;
    COLORREF selectedText;

    // The colour the picture averages to (the system's window colour
    // without a picture): what menu texts are read against.
    QColor AverageBackground() const;
    // The text colour of a greyed-out menu item on `background`: the menu
    // text faded toward the background, but never below kDisabledContrast,
    // so greyed items stay readable on every skin.
    static QColor DisabledText(const QColor& text, const QColor& background);
    static constexpr double kDisabledContrast = 3.0;
    // The contrast ratio of two colours (1 .. 21), from their relative
    // luminance.
    static double ContrastRatio(const QColor& a, const QColor& b);

    // Folders searched for skins, the user's first; only existing ones.
    static QStringList Folders();
    // "Windows Standard", then the name of every ".skn" file of the folders
    // (a name found twice is listed once, the user's copy winning).
    static QStringList Available();
    // The ".skn" file of skin `name`, or empty when there is none.
    static QString PictureFile(const QString& name);
    // A skin name must be a plain file name: not empty, no '/', no leading
    // '.', no control characters, at most 99 characters.
    static bool IsPlainName(const QString& name);
    // A colour line as read by a base-16 conversion: leading blanks, an
    // optional sign and "0x", then hexadecimal digits up to the first other
    // character; a value beyond 32 bits saturates. An empty line gives 0.
    static COLORREF ParseColour(const QString& line);
};
