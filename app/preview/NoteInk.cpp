#include "NoteInk.h"

#include "NoteBlob.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextEdit>

namespace {

const char kObjectName[] = "noteInk";

} // namespace

NoteInk& NoteInk::Of(QTextEdit& pane)
{
    if (auto* found = pane.viewport()->findChild<NoteInk*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly))
        return *found;
    return *new NoteInk(pane);
}

NoteInk::NoteInk(QTextEdit& pane)
    : QWidget(pane.viewport())
    , pane_(pane)
{
    setObjectName(QLatin1String(kObjectName));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(pane.viewport()->rect());
    pane.viewport()->installEventFilter(this);
    // Scrolling moves the viewport's children with the text: the layer is
    // put back over the whole viewport and draws the strokes at their new
    // place (the pane has moved its contents by then: its own connection
    // to the scroll bar comes first).
    const auto redraw = [this] {
        setGeometry(pane_.viewport()->rect());
        update();
    };
    connect(pane.verticalScrollBar(), &QScrollBar::valueChanged, this, redraw);
    connect(pane.horizontalScrollBar(), &QScrollBar::valueChanged, this, redraw);
}

std::vector<ZCInkNote::Stroke> NoteInk::StrokesOf(const std::vector<BYTE>& ink)
{
    std::vector<ZCInkNote::Stroke> strokes;
    for (const InkStroke& read : ReadInk(ink)) {
        ZCInkNote::Stroke stroke;
        stroke.color = QColor::fromRgba(read.color);
        stroke.width = read.width / 100.0;
        for (auto [x, y] : read.points)
            stroke.points.append(QPointF(x / 100.0, y / 100.0));
        strokes.push_back(std::move(stroke));
    }
    return strokes;
}

void NoteInk::SetStrokes(std::vector<ZCInkNote::Stroke> strokes, qreal scale)
{
    strokes_ = std::move(strokes);
    scale_ = scale;
    setVisible(!strokes_.empty());
    raise();
    update();
}

void NoteInk::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-pane_.horizontalScrollBar()->value(), -pane_.verticalScrollBar()->value());
    painter.scale(scale_, scale_);
    ZCInkNote::PaintStrokes(painter, strokes_);
}

bool NoteInk::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(pane_.viewport()->rect());
    return QWidget::eventFilter(watched, event);
}
