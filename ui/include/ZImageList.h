#pragma once
// ZImageList: a list of small pictures of one size (tool-bar buttons, tree
// and list icons), addressed by index. Pictures are kept as pixmaps owned by
// the list. UI thread only.

#include "WinTypes.h"
#include "ZColor.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>

#include <vector>

class QPainter;

class ZImageList {
public:
    // Starts an empty list of `width` x `height` pictures. 0 for a size that
    // is not positive.
    BOOL Create(int width, int height);
    void Destroy();

    // Appends a strip of pictures side by side (a picture narrower than the
    // size is one picture; a wider one is cut into size-wide pieces, the
    // last incomplete piece dropped); returns the index of the first one
    // added, or -1 when nothing was added.
    int Add(const QPixmap& strip);
    // As Add, with every pixel of colour `mask` left transparent.
    int AddMasked(const QPixmap& strip, COLORREF mask);
    BOOL Replace(int index, const QPixmap& picture);
    // Removes the picture at `index`; -1 removes them all.
    BOOL Remove(int index);
    BOOL Draw(QPainter& painter, int index, int x, int y) const;

    int GetImageCount() const { return static_cast<int>(images_.size()); }
    QSize GetIconSize() const { return size_; }
    QPixmap Image(int index) const;
    QIcon Icon(int index) const { return QIcon(Image(index)); }

private:
    QSize size_;
    std::vector<QPixmap> images_;
};
