#include "ToolIcons.h"

#include "IconOutline.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 16;
const QColor kInk(45, 45, 55);

QPixmap Draw(ToolIcon which)
{
    QPixmap picture(kSize, kSize);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (which) {
    case ToolIcon::Find:
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        break;
    case ToolIcon::Filter: {
        const QPainterPath funnel = ClosedPath(
            { { 1.5, 2.5 }, { 14.5, 2.5 }, { 9.5, 8.5 }, { 9.5, 14 }, { 6.5, 12.5 }, { 6.5, 8.5 } });
        p.setBrush(QColor(120, 150, 200));
        p.drawPath(funnel);
        break;
    }
    case ToolIcon::PreviewPane:
        p.setBrush(QColor(250, 250, 246));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(120, 150, 200));
        p.drawRect(QRectF(1.5, 8.5, 13, 6));
        break;
    case ToolIcon::Up:
    case ToolIcon::Down: {
        const QPainterPath arrow
            = ClosedPath({ { 8, 2 }, { 14, 9 }, { 10, 9 }, { 10, 14 }, { 6, 14 }, { 6, 9 }, { 2, 9 } });
        if (which == ToolIcon::Down)
            p.setTransform(QTransform(1, 0, 0, -1, 0, kSize));
        p.setBrush(QColor(90, 160, 90));
        p.drawPath(arrow);
        break;
    }
    }
    return picture;
}

const char* ThemeName(ToolIcon which)
{
    switch (which) {
    case ToolIcon::Find:
        return "edit-find";
    case ToolIcon::Filter:
        return "view-filter";
    case ToolIcon::PreviewPane:
        return "view-split-top-bottom";
    case ToolIcon::Up:
        return "go-up";
    case ToolIcon::Down:
        return "go-down";
    }
    return "";
}

} // namespace

QIcon MakeToolIcon(ToolIcon which)
{
    return QIcon::fromTheme(QString::fromLatin1(ThemeName(which)), QIcon(Draw(which)));
}
