#include "TypeIcons.h"

#include "IconOutline.h"
#include "JournalProps.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);
const QColor kPaper(250, 250, 246);

void Page(QPainter& p, const QColor& fill)
{
    const QPainterPath page
        = ClosedPath({ { 3.5, 1.5 }, { 10.5, 1.5 }, { 13.5, 4.5 }, { 13.5, 14.5 }, { 3.5, 14.5 } });
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

void Envelope(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawLine(QPointF(1.5, 4.5), QPointF(8, 9.5));
    p.drawLine(QPointF(14.5, 4.5), QPointF(8, 9.5));
}

void Person(QPainter& p, double x, double scale, const QColor& fill)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawEllipse(QPointF(x, 5.5), 2.5 * scale, 2.5 * scale);
    QPainterPath body;
    body.moveTo(x - 4.5 * scale, 14.5);
    body.cubicTo(x - 4.5 * scale, 8.5, x + 4.5 * scale, 8.5, x + 4.5 * scale, 14.5);
    body.closeSubpath();
    p.drawPath(body);
}

void Conversation(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(120, 170, 230));
    p.drawRoundedRect(QRectF(0.5, 1.5, 10, 7), 2, 2);
    p.setBrush(QColor(140, 200, 120));
    p.drawRoundedRect(QRectF(5.5, 7.5, 10, 6), 2, 2);
}

void Document(QPainter& p)
{
    Page(p, kPaper);
    p.setPen(QPen(QColor(120, 120, 130), 1));
    for (double y : { 6.5, 8.5, 10.5, 12.5 })
        p.drawLine(QPointF(5, y), QPointF(12, y));
}

void Email(QPainter& p)
{
    Envelope(p, QColor(200, 220, 250));
    p.setPen(QPen(QColor(30, 90, 200), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12.5, 3.5), 2.5, 2.5);
}

void Fax(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 0.5, 7, 7));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 8), 1.5, 1.5);
    p.setBrush(QColor(90, 200, 90));
    p.drawRect(QRectF(3.5, 9.5, 3, 2));
}

void Letter(QPainter& p)
{
    Envelope(p, kPaper);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 50, 50));
    p.drawRect(QRectF(11, 5, 3, 3));
}

void Meeting(QPainter& p)
{
    Person(p, 5, 0.9, QColor(240, 170, 80));
    Person(p, 11, 0.9, QColor(230, 120, 60));
}

void Note(QPainter& p)
{
    const QPainterPath note
        = ClosedPath({ { 1.5, 1.5 }, { 14.5, 1.5 }, { 14.5, 10.5 }, { 10.5, 14.5 }, { 1.5, 14.5 } });
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(250, 225, 90));
    p.drawPath(note);
    p.setBrush(QColor(220, 190, 60));
    const QPainterPath fold = ClosedPath({ { 14.5, 10.5 }, { 10.5, 10.5 }, { 10.5, 14.5 } });
    p.drawPath(fold);
}

void PhoneCall(QPainter& p)
{
    QPainterPath handset;
    handset.moveTo(2, 5);
    handset.cubicTo(2, 3, 4, 2, 5.5, 2.5);
    handset.lineTo(6.5, 5.5);
    handset.lineTo(5, 7);
    handset.cubicTo(6, 9, 7, 10, 9, 11);
    handset.lineTo(10.5, 9.5);
    handset.lineTo(13.5, 10.5);
    handset.cubicTo(14, 12, 13, 14, 11, 14);
    handset.cubicTo(6, 13.5, 2.5, 10, 2, 5);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(60, 160, 90));
    p.drawPath(handset);
}

void Task(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 3.5, 10, 10));
    p.setPen(QPen(QColor(30, 150, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(4, 8);
    tick.lineTo(7, 11.5);
    tick.lineTo(14.5, 1.5);
    p.drawPath(tick);
}

void Appointment(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setBrush(QColor(210, 60, 60));
    p.drawRect(QRectF(1.5, 2.5, 13, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 100, 110));
    for (double y : { 8.0, 11.0 })
        for (double x : { 3.5, 6.5, 9.5, 12.0 })
            p.drawRect(QRectF(x, y, 1.5, 1.5));
}

void Contact(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(225, 235, 245));
    p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 2, 2);
    p.save();
    p.setClipRect(QRectF(0.5, 1.5, 15, 13));
    Person(p, 8, 1.0, QColor(120, 150, 200));
    p.restore();
}

} // namespace

int MakeTypeIcons(ZImageList& images)
{
    static const std::array<Draw, TYPE_COUNT> kPictures = {
        Conversation,
        Document,
        Email,
        Fax,
        Letter,
        Meeting,
        Note,
        PhoneCall,
        Task,
        Appointment,
        Contact,
    };
    images.Destroy();
    images.Create(kTypeIconSize, kTypeIconSize);
    QPixmap strip(kTypeIconSize * TYPE_COUNT, kTypeIconSize);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int type = 0; type < TYPE_COUNT; ++type) {
        painter.save();
        painter.translate(type * kTypeIconSize, 0);
        painter.setClipRect(0, 0, kTypeIconSize, kTypeIconSize);
        kPictures[static_cast<std::size_t>(type)](painter);
        painter.restore();
    }
    painter.end();
    images.Add(strip);
    return images.GetImageCount();
}
