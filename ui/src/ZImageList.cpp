#include "ZImageList.h"

#include "ZBitmap.h"

#include <QPainter>

BOOL ZImageList::Create(int width, int height)
{
    images_.clear();
    if (width <= 0 || height <= 0) {
        size_ = QSize();
        return FALSE;
    }
    size_ = QSize(width, height);
    return TRUE;
}

void ZImageList::Destroy()
{
    images_.clear();
    size_ = QSize();
}

int ZImageList::Add(const QPixmap& strip)
{
    if (strip.isNull() || size_.isEmpty())
        return -1;
    const int first = GetImageCount();
    const int count = std::max(1, strip.width() / size_.width());
    for (int i = 0; i < count; ++i)
        images_.push_back(strip.copy(i * size_.width(), 0, size_.width(), size_.height()));
    return first;
}

int ZImageList::AddMasked(const QPixmap& strip, COLORREF mask)
{
    ZBitmap bitmap;
    if (!bitmap.Set(strip.toImage()))
        return -1;
    QImage transparent(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    QPainter painter(&transparent);
    bitmap.DrawTransparent(painter, 0, 0, mask);
    painter.end();
    return Add(QPixmap::fromImage(transparent));
}

BOOL ZImageList::Replace(int index, const QPixmap& picture)
{
    if (index < 0 || index >= GetImageCount() || picture.isNull())
        return FALSE;
    images_[index] = picture.copy(0, 0, size_.width(), size_.height());
    return TRUE;
}

BOOL ZImageList::Remove(int index)
{
    if (index == -1) {
        images_.clear();
        return TRUE;
    }
    if (index < 0 || index >= GetImageCount())
        return FALSE;
    images_.erase(images_.begin() + index);
    return TRUE;
}

BOOL ZImageList::Draw(QPainter& painter, int index, int x, int y) const
{
    if (index < 0 || index >= GetImageCount())
        return FALSE;
    painter.drawPixmap(x, y, images_[index]);
    return TRUE;
}

QPixmap ZImageList::Image(int index) const
{
    return index >= 0 && index < GetImageCount() ? images_[index] : QPixmap();
}
