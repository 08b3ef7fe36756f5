#include "ZBitmap.h"

#include <QPainter>

namespace {

QRgb Opaque(COLORREF colour)
{
    return qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

} // namespace

BOOL ZBitmap::Load(const QString& path)
{
    QImage image;
    if (path.isEmpty() || !image.load(path)) {
        Free();
        return FALSE;
    }
    return Set(image);
}

BOOL ZBitmap::Set(const QImage& image)
{
    if (image.isNull()) {
        Free();
        return FALSE;
    }
    image_ = image.convertToFormat(QImage::Format_ARGB32);
    return TRUE;
}

BOOL ZBitmap::DrawTransparent(QPainter& painter, int x, int y, COLORREF transparent) const
{
    if (image_.isNull())
        return FALSE;
    QImage masked = image_;
    const QRgb key = Opaque(transparent);
    for (int row = 0; row < masked.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(row));
        for (int column = 0; column < masked.width(); ++column)
            if ((line[column] | 0xFF000000u) == key)
                line[column] = 0;
    }
    painter.drawImage(x, y, masked);
    return TRUE;
}

BOOL ZBitmap::ReplaceColor(COLORREF from, COLORREF to)
{
    if (image_.isNull())
        return FALSE;
    const QRgb fromRgb = Opaque(from);
    const QRgb toRgb = Opaque(to);
    for (int row = 0; row < image_.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(row));
        for (int column = 0; column < image_.width(); ++column)
            if (line[column] == fromRgb)
                line[column] = toRgb;
    }
    return TRUE;
}
