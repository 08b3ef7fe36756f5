#include "ContactMenuStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kTextLeft = 4;
constexpr int kSeparatorHeight = 10;
constexpr int kSeparatorWidth = 50;
constexpr int kSeparatorInset = 6;

// A tick 8 pixels square with its top left at `corner`.
void DrawTick(QPainter& painter, QPoint corner, const QColor& colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({ corner + QPointF(0.5, 4), corner + QPointF(3, 7), corner + QPointF(8, 0.5) }));
    painter.restore();
}

} // namespace

ContactMenuStyle::ContactMenuStyle(QBrush background, QColor text, QColor selectedText)
    : background_(std::move(background))
    , text_(text)
    , selectedText_(selectedText)
{
}

void ContactMenuStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == PE_PanelMenu) {
        painter->fillRect(option->rect, background_);
        return;
    }
    if (element == PE_FrameMenu) {
        painter->setPen(text_);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ContactMenuStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, background_);
        return;
    }
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuItem && item != nullptr) {
        DrawItem(*item, *painter);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void ContactMenuStyle::DrawItem(const QStyleOptionMenuItem& item, QPainter& painter) const
{
    const QRect& rect = item.rect;
    painter.fillRect(rect, background_);
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        const int middle = rect.center().y();
        painter.setPen(text_);
        painter.drawLine(rect.left() + kSeparatorInset, middle, rect.right() - kSeparatorInset, middle);
        return;
    }
    if (item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked)
        DrawTick(painter, rect.topLeft() + QPoint(3, 3), text_);
    const bool selected = (item.state & State_Selected) && (item.state & State_Enabled);
    painter.setFont(item.font);
    painter.setPen(selected ? selectedText_ : text_);
    const QRect textRoom = rect.adjusted(kTickRoom + kTextLeft, 0, 0, 0);
    const QString text = item.fontMetrics.elidedText(item.text, Qt::ElideRight, textRoom.width());
    painter.drawText(textRoom, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QSize ContactMenuStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || item == nullptr)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return { kSeparatorWidth, kSeparatorHeight };
    return { kTickRoom + item->fontMetrics.horizontalAdvance(item->text) + 8, item->fontMetrics.height() + 2 };
}
