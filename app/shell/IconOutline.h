#pragma once
// Outlines for the small pictures the program draws itself (entry types,
// tool buttons), written as the list of their corners.

#include <QPainterPath>
#include <QPolygonF>

#include <initializer_list>

// The closed outline through `corners`, in order.
inline QPainterPath ClosedPath(std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(corners));
    path.closeSubpath();
    return path;
}
