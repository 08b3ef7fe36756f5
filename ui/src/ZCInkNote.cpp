#include "ZCInkNote.h"

#include <QAbstractUndoItem>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int kMinZoom = 75;
constexpr int kMaxZoom = 300;
const QColor kPenColor(0x1A, 0x3C, 0x8C);

qreal DistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const qreal length2 = QPointF::dotProduct(ab, ab);
    const qreal t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

void DrawInk(QPainter& painter, const QPolygonF& points, const QColor& color, qreal width)
{
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (points.size() == 1)
        painter.drawPoint(points[0]);
    else
        painter.drawPolyline(points);
}

bool StrokeTouches(const ZCInkNote::Stroke& stroke, const QPointF& point, qreal radius)
{
    const qreal reach = radius + stroke.width / 2;
    if (stroke.points.size() == 1)
        return DistanceToSegment(point, stroke.points[0], stroke.points[0]) <= reach;
    for (qsizetype i = 1; i < stroke.points.size(); ++i)
        if (DistanceToSegment(point, stroke.points[i - 1], stroke.points[i]) <= reach)
            return true;
    return false;
}

} // namespace

// One drawing or erasing step in the document's undo history: the strokes
// it added (appended at the end) and the strokes it removed with the
// places they had.
class ZCInkNote::StrokeStep : public QAbstractUndoItem {
public:
    StrokeStep(ZCInkNote& note, std::vector<Stroke> added, std::vector<std::pair<int, Stroke>> removed)
        : note_(note)
        , added_(std::move(added))
        , removed_(std::move(removed))
    {
    }

    void redo() override
    {
        auto& strokes = note_.strokes_;
        for (auto it = removed_.rbegin(); it != removed_.rend(); ++it)
            strokes.erase(strokes.begin() + it->first);
        strokes.insert(strokes.end(), added_.begin(), added_.end());
        note_.Changed();
    }

    void undo() override
    {
        auto& strokes = note_.strokes_;
        strokes.resize(strokes.size() - added_.size());
        for (const auto& [index, stroke] : removed_)
            strokes.insert(strokes.begin() + index, stroke);
        note_.Changed();
    }

private:
    ZCInkNote& note_;
    std::vector<Stroke> added_;
    std::vector<std::pair<int, Stroke>> removed_; // ascending indexes
};

// The text editor with the ink drawn over it and the pen and eraser.
class ZCInkNote::Page : public QTextEdit {
public:
    Page(QWidget* parent, ZCInkNote& owner)
        : QTextEdit(parent)
        , owner_(owner)
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QString text = event->text();
        const bool typing = !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == u'\r')
            && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (typing) {
            const int replaced = static_cast<int>(textCursor().selectedText().size());
            if (text.size() - replaced > owner_.Room()) {
                if (owner_.OnLimit)
                    owner_.OnLimit();
                return;
            }
        }
        QTextEdit::keyPressEvent(event);
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        const QString text = source->text();
        const int room = owner_.Room() + static_cast<int>(textCursor().selectedText().size());
        if (text.size() <= room) {
            QTextEdit::insertFromMimeData(source);
            return;
        }
        if (owner_.OnLimit)
            owner_.OnLimit();
        if (room > 0)
            textCursor().insertText(text.left(room));
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (owner_.mode_ == Mode::Text) {
            QTextEdit::mousePressEvent(event);
            return;
        }
        const QPointF at = owner_.ToDocument(event->position());
        if (owner_.mode_ == Mode::Pen)
            drawing_ = QPolygonF { at };
        else
            owner_.EraseAt(at);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (owner_.mode_ == Mode::Text) {
            QTextEdit::mouseMoveEvent(event);
            return;
        }
        if (!(event->buttons() & Qt::LeftButton))
            return;
        const QPointF at = owner_.ToDocument(event->position());
        if (owner_.mode_ == Mode::Pen && !drawing_.isEmpty()) {
            drawing_.append(at);
            viewport()->update();
        } else if (owner_.mode_ == Mode::Eraser) {
            owner_.EraseAt(at);
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (owner_.mode_ == Mode::Text) {
            QTextEdit::mouseReleaseEvent(event);
            return;
        }
        if (owner_.mode_ == Mode::Pen && !drawing_.isEmpty()) {
            owner_.AddStroke({ kPenColor, 2.0, drawing_ });
            drawing_.clear();
        }
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (owner_.mode_ == Mode::Text)
            QTextEdit::mouseDoubleClickEvent(event);
    }

    void paintEvent(QPaintEvent* event) override
    {
        QTextEdit::paintEvent(event);
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        painter.scale(owner_.Scale(), owner_.Scale());
        PaintStrokes(painter, owner_.strokes_);
        if (!drawing_.isEmpty())
            DrawInk(painter, drawing_, kPenColor, 2.0);
    }

private:
    ZCInkNote& owner_;
    QPolygonF drawing_;
};

ZCInkNote::ZCInkNote() = default;

void ZCInkNote::PaintStrokes(QPainter& painter, const std::vector<Stroke>& strokes)
{
    for (const Stroke& stroke : strokes)
        DrawInk(painter, stroke.points, stroke.color, stroke.width);
}

ZCInkNote::~ZCInkNote()
{
    // The page and the undo steps in its document refer to this object:
    // they go now, not later from the event loop.
    if (QWidget* page = GetHandle()) {
        Detach();
        delete page;
    }
}

QWidget* ZCInkNote::CreateWidget(QWidget* parent)
{
    auto* page = new Page(parent, *this);
    page->setAcceptRichText(true);
    page->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    basePointSize_ = page->document()->defaultFont().pointSizeF();
    QObject::connect(page->document(), &QTextDocument::contentsChanged, page, [this] { Changed(); });
    return page;
}

QTextEdit* ZCInkNote::Edit() const
{
    return qobject_cast<QTextEdit*>(GetHandle());
}

void ZCInkNote::Changed()
{
    if (QTextEdit* edit = Edit())
        edit->viewport()->update();
    if (OnChange)
        OnChange();
}

void ZCInkNote::Load(const QString& html, const QString& plainText, std::vector<Stroke> strokes)
{
    QTextEdit* edit = Edit();
    if (!edit)
        return;
    auto onChange = std::exchange(OnChange, nullptr);
    strokes_ = std::move(strokes);
    QTextDocument* document = edit->document();
    if (!html.isEmpty())
        edit->setHtml(html);
    else
        edit->setPlainText(plainText);
    SetZoom(zoom_);
    document->clearUndoRedoStacks();
    document->setModified(false);
    edit->moveCursor(QTextCursor::Start);
    OnChange = std::move(onChange);
    edit->viewport()->update();
}

QString ZCInkNote::Html() const
{
    QTextEdit* edit = Edit();
    if (!edit)
        return {};
    std::unique_ptr<QTextDocument> copy(edit->document()->clone());
    QFont font = copy->defaultFont();
    font.setPointSizeF(basePointSize_);
    copy->setDefaultFont(font);
    return copy->toHtml();
}

QString ZCInkNote::PlainText() const
{
    QTextEdit* edit = Edit();
    return edit ? edit->toPlainText() : QString();
}

bool ZCInkNote::IsEmpty() const
{
    return strokes_.empty() && PlainText().isEmpty();
}

bool ZCInkNote::IsModified() const
{
    QTextEdit* edit = Edit();
    return edit && edit->document()->isModified();
}

void ZCInkNote::SetModified(bool modified)
{
    if (QTextEdit* edit = Edit())
        edit->document()->setModified(modified);
}

void ZCInkNote::SetMode(Mode mode)
{
    mode_ = mode;
    if (QTextEdit* edit = Edit())
        edit->viewport()->setCursor(mode == Mode::Text ? Qt::IBeamCursor : Qt::CrossCursor);
}

void ZCInkNote::ApplyStep(std::vector<Stroke> added, std::vector<int> removed)
{
    QTextEdit* edit = Edit();
    if (!edit || (added.empty() && removed.empty()))
        return;
    std::sort(removed.begin(), removed.end());
    std::vector<std::pair<int, Stroke>> taken;
    for (int index : removed)
        taken.emplace_back(index, strokes_[index]);
    auto* step = new StrokeStep(*this, std::move(added), std::move(taken));
    step->redo();
    // The document owns the step from here on.
    edit->document()->appendUndoItem(step);
    edit->document()->setModified(true);
}

void ZCInkNote::AddStroke(Stroke stroke)
{
    if (stroke.points.isEmpty())
        return;
    ApplyStep({ std::move(stroke) }, {});
}

int ZCInkNote::EraseAt(const QPointF& point)
{
    std::vector<int> touched;
    for (int i = 0; i < static_cast<int>(strokes_.size()); ++i)
        if (StrokeTouches(strokes_[i], point, kEraserRadius))
            touched.push_back(i);
    const int count = static_cast<int>(touched.size());
    ApplyStep({}, std::move(touched));
    return count;
}

QPointF ZCInkNote::ToDocument(const QPointF& viewportPoint) const
{
    QTextEdit* edit = Edit();
    const QPointF scroll(edit->horizontalScrollBar()->value(), edit->verticalScrollBar()->value());
    return (viewportPoint + scroll) / Scale();
}

int ZCInkNote::ValidZoom(int percent)
{
    return std::clamp(percent, kMinZoom, kMaxZoom);
}

void ZCInkNote::SetZoom(int percent)
{
    zoom_ = ValidZoom(percent);
    QTextEdit* edit = Edit();
    if (!edit)
        return;
    // The zoom is a view setting: it must not count as an edit.
    const bool modified = edit->document()->isModified();
    auto onChange = std::exchange(OnChange, nullptr);
    QFont font = edit->document()->defaultFont();
    font.setPointSizeF(basePointSize_ * Scale());
    edit->document()->setDefaultFont(font);
    edit->document()->setModified(modified);
    OnChange = std::move(onChange);
    edit->viewport()->update();
}

int ZCInkNote::Room() const
{
    QTextEdit* edit = Edit();
    return edit ? kCharLimit - (edit->document()->characterCount() - 1) : 0;
}

bool ZCInkNote::InsertStamp(const QString& stamp)
{
    QTextEdit* edit = Edit();
    if (!edit)
        return false;
    QTextCursor cursor = edit->textCursor();
    const bool atStart = !cursor.hasSelection() && cursor.position() == 0;
    const QString text = (atStart ? QString() : QStringLiteral("\n")) + stamp + QStringLiteral(" - ");
    if (text.size() > Room()) {
        if (OnLimit)
            OnLimit();
        return false;
    }
    if (!atStart)
        cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    edit->setTextCursor(cursor);
    return true;
}

void ZCInkNote::ToggleBold()
{
    if (QTextEdit* edit = Edit())
        edit->setFontWeight(edit->fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
}

void ZCInkNote::ToggleItalic()
{
    if (QTextEdit* edit = Edit())
        edit->setFontItalic(!edit->fontItalic());
}

void ZCInkNote::ToggleUnderline()
{
    if (QTextEdit* edit = Edit())
        edit->setFontUnderline(!edit->fontUnderline());
}

void ZCInkNote::ToggleList()
{
    QTextEdit* edit = Edit();
    if (!edit)
        return;
    QTextCursor cursor = edit->textCursor();
    QTextList* list = cursor.currentList();
    if (!list) {
        cursor.createList(QTextListFormat::ListDisc);
        return;
    }
    cursor.beginEditBlock();
    QTextBlock block = edit->document()->findBlock(cursor.selectionStart());
    const QTextBlock last = edit->document()->findBlock(cursor.selectionEnd());
    for (;; block = block.next()) {
        if (QTextList* owner = block.textList()) {
            owner->remove(block);
            QTextCursor at(block);
            QTextBlockFormat format = at.blockFormat();
            format.setIndent(0);
            at.setBlockFormat(format);
        }
        if (block == last || !block.isValid())
            break;
    }
    cursor.endEditBlock();
}

void ZCInkNote::SetSizeStep(int step)
{
    QTextEdit* edit = Edit();
    if (!edit)
        return;
    QTextCharFormat format;
    format.setProperty(QTextFormat::FontSizeAdjustment, std::clamp(step, -1, 3));
    edit->mergeCurrentCharFormat(format);
}

bool ZCInkNote::CanUndo() const
{
    QTextEdit* edit = Edit();
    return edit && edit->document()->isUndoAvailable();
}

bool ZCInkNote::CanRedo() const
{
    QTextEdit* edit = Edit();
    return edit && edit->document()->isRedoAvailable();
}

bool ZCInkNote::CanPaste() const
{
    QTextEdit* edit = Edit();
    return edit && edit->canPaste();
}

void ZCInkNote::Undo()
{
    if (QTextEdit* edit = Edit())
        edit->undo();
}

void ZCInkNote::Redo()
{
    if (QTextEdit* edit = Edit())
        edit->redo();
}

void ZCInkNote::Cut()
{
    if (QTextEdit* edit = Edit())
        edit->cut();
}

void ZCInkNote::Copy()
{
    if (QTextEdit* edit = Edit())
        edit->copy();
}

void ZCInkNote::Paste()
{
    if (QTextEdit* edit = Edit())
        edit->paste();
}

void ZCInkNote::SelectAll()
{
    if (QTextEdit* edit = Edit())
        edit->selectAll();
}
