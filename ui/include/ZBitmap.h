#pragma once
// ZBitmap: one picture held in memory for drawing, with the two operations
// skins and owner-drawn items need: drawing with one colour left out
// (transparent) and replacing one colour by another. The image is owned by
// the object and freed by Free() or the destructor. UI thread only.

#include "WinTypes.h"
#include "ZColor.h"

#include <QImage>
#include <QPixmap>
#include <QString>

class QPainter;

class ZBitmap {
public:
    ZBitmap() = default;
    ~ZBitmap() { Free(); }
    ZBitmap(const ZBitmap&) = delete;
    ZBitmap& operator=(const ZBitmap&) = delete;

    // Loads any picture format Qt reads (BMP, PNG, SVG...) from a file or a
    // ":/" resource. Returns 1, or 0 (and holds nothing) when it cannot.
    BOOL Load(const QString& path);
    // Takes a copy of `image`; 0 for a null image.
    BOOL Set(const QImage& image);
    BOOL IsLoaded() const { return !image_.isNull(); }

    // The size of the picture; 0 when nothing is loaded.
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

    // Draws the whole picture with its top-left corner at (x, y), leaving out
    // every pixel of colour `transparent`. 0 when nothing is loaded.
    BOOL DrawTransparent(QPainter& painter, int x, int y, COLORREF transparent) const;
    // Writes `to` wherever a pixel is exactly `from`. Returns 1 (0 when
    // nothing is loaded).
    BOOL ReplaceColor(COLORREF from, COLORREF to);
    void Free() { image_ = QImage(); }

    const QImage& Image() const { return image_; }
    QPixmap Pixmap() const { return QPixmap::fromImage(image_); }

private:
    QImage image_; // always Format_ARGB32 when loaded
};
