#pragma once
// ContactMenuStyle: how the contact bar's drop-down menu is drawn: like the
// bar itself, not like a system menu. Every item sits on the bar's
// background brush (the skin's picture) in the bar's font; the text is in the
// skin's menu-text colour, in its selected colour under the pointer; the
// contact the bar shows is checked with a tick in the menu-text colour at
// the item's top left; a separator is a line in the menu-text colour. Items
// are as tall as the text + 2 and as wide as the text + 8 beside the tick's
// room, so a long list stays compact on a small screen. Everything else
// (frame, scrolling, keys) is the base style's.
//
// One style per open menu, made before the menu and gone after it; UI
// thread only.

#include <QBrush>
#include <QColor>
#include <QProxyStyle>

class QStyleOptionMenuItem;

class ContactMenuStyle : public QProxyStyle {
public:
    // The room the tick takes at the left of every item, in pixels.
    static constexpr int kTickRoom = 14;

    ContactMenuStyle(QBrush background, QColor text, QColor selectedText);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;
    QSize sizeFromContents(
        ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const override;

private:
    void DrawItem(const QStyleOptionMenuItem& item, QPainter& painter) const;

    QBrush background_;
    QColor text_;
    QColor selectedText_;
};
