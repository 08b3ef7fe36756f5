#include "ContactSplitter.h"

#include "ContactMenuStyle.h"
#include "PackedLists.h"
#include "ProgramFont.h"
#include "Skin.h"
#include "ZColor.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kArrowWidth = 12;
constexpr int kTextLeft = 2;
constexpr int kTextRightGap = 29;

QString NameOf(const DbAItem& contact)
{
    return contact.GetName().IsEmpty() ? QString() : contact.GetName().ToQString();
}

} // namespace

ContactSplitter::ContactSplitter(QWidget* parent, const Skin& skin, std::function<void(int y)> moved,
    std::function<void(const DbAItem& contact)> shown)
    : QWidget(parent)
    , skin_(skin)
    , moved_(std::move(moved))
    , shown_(std::move(shown))
{
    setObjectName(QStringLiteral("splitter"));
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setFont(ProgramFont(11));
}

ContactSplitter::~ContactSplitter() = default;

int ContactSplitter::Load(const CEBLOB* contacts)
{
    contacts_.clear();
    current_ = 0;
    if (contacts != nullptr)
        UnpackContacts(*contacts, contacts_);
    setToolTip(contacts_.empty() ? QString() : NameOf(contacts_.front()));
    update();
    return Count();
}

const DbAItem* ContactSplitter::Current() const
{
    return current_ < contacts_.size() ? &contacts_[current_] : nullptr;
}

void ContactSplitter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Background());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QColor text = ToQColor(skin_.menuText);
    painter.setPen(text);
    arrow_ = {};
    if (const DbAItem* contact = Current()) {
        const QRect room(kTextLeft, 0, std::max(0, width() - kTextLeft - kTextRightGap), height());
        const QString name = painter.fontMetrics().elidedText(NameOf(*contact), Qt::ElideRight, room.width());
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
        if (Count() > 1) {
            const int left = kTextLeft + painter.fontMetrics().horizontalAdvance(name) + 5;
            arrow_ = QRect(left, 0, kArrowWidth, height());
            const int middle = height() / 2;
            painter.setBrush(text);
            painter.drawPolygon(QPolygon({ QPoint(left + 2, middle - 2), QPoint(left + 10, middle - 2),
                QPoint(left + 6, middle + 2) }));
        }
    }
    // The grip: three short lines at the right end.
    const int gripLeft = width() - kGripWidth + 2;
    for (int line = -3; line <= 3; line += 3)
        painter.drawLine(gripLeft, height() / 2 + line, width() - 4, height() / 2 + line);
}

void ContactSplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (at.x() >= width() - kGripWidth) {
        dragging_ = true;
        grab_ = at.y();
        setCursor(Qt::SplitVCursor);
        grabMouse();
    } else if (arrow_.contains(at) && Count() > 1) {
        OpenMenu();
    } else if (const DbAItem* contact = Current()) {
        shown_(*contact);
    }
}

void ContactSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        setCursor(event->position().x() >= width() - kGripWidth ? Qt::SplitVCursor : Qt::PointingHandCursor);
        return;
    }
    // Real coordinates: a position far down a tall screen or above the
    // window stays what it is (the owner refuses what does not fit).
    const int y = mapToParent(event->position().toPoint()).y() - grab_;
    moved_(y);
}

void ContactSplitter::mouseReleaseEvent(QMouseEvent*)
{
    if (!dragging_)
        return;
    dragging_ = false;
    releaseMouse();
    setCursor(Qt::PointingHandCursor);
    update();
}

QBrush ContactSplitter::Background() const
{
    return skin_.brush.style() == Qt::NoBrush ? palette().button() : skin_.brush;
}

void ContactSplitter::OpenMenu()
{
    // The style outlives the menu that uses it.
    ContactMenuStyle look(Background(), ToQColor(skin_.menuText), ToQColor(skin_.selectedText));
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("contactMenu"));
    menu.setFont(font());
    menu.setStyle(&look);
    for (std::size_t i = 0; i < contacts_.size(); ++i) {
        QAction* item = menu.addAction(NameOf(contacts_[i]));
        item->setCheckable(true);
        item->setChecked(i == current_);
        item->setData(static_cast<qulonglong>(i));
    }
    // Below the bar in the upper half of the screen, else above it.
    const bool upper = mapToGlobal(QPoint(0, 0)).y() < screen()->geometry().center().y();
    const QSize size = menu.sizeHint();
    const QPoint at = mapToGlobal(upper ? QPoint(0, height()) : QPoint(0, -size.height()));
    QAction* chosen = nullptr;
    QObject::connect(&menu, &QMenu::triggered, &menu, [&chosen](QAction* item) { chosen = item; });
    menu_ = &menu;
    menu.exec(at);
    menu_ = nullptr;
    if (chosen == nullptr)
        return;
    current_ = chosen->data().toULongLong();
    update();
    shown_(contacts_[current_]);
}
