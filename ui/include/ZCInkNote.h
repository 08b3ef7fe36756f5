#pragma once
// ZCInkNote: the note page: a rich-text editor (bold, italic, underline,
// lists, relative font sizes, undo/redo, clipboard, zoom) with handwriting
// drawn over the page. In Pen mode the mouse, a stylus or a finger draws
// strokes; in Eraser mode a drag removes the strokes it touches; in Text
// mode the page is an ordinary text editor. Adding and erasing strokes are
// steps of the document's undo history, so Undo takes back typing and
// drawing in the order they were done.
//
// Strokes are kept in document coordinates at 100 % zoom (pixels; y grows
// down the document), so they scroll with the text and scale with the zoom.
// Zoom scales the document's default font; text sizes are kept relative to
// it (SetSizeStep), so the whole page grows alike.
//
// The note holds at most kCharLimit characters: typing, pasting or a stamp
// that would pass it is refused (a paste is cut to the room left) and
// OnLimit is called. OnChange is called for every change of text or ink.
//
// The window (a QTextEdit) is owned by the object. UI thread only.

#include "ZWindow.h"

#include <QColor>
#include <QPolygonF>

#include <functional>
#include <vector>

class QPainter;
class QTextEdit;

class ZCInkNote : public ZWindow {
public:
    enum class Mode { Text, Pen, Eraser };
    struct Stroke {
        QColor color;
        qreal width = 2.0;
        QPolygonF points;
        bool operator==(const Stroke&) const = default;
    };
    static constexpr int kCharLimit = 120000;
    static constexpr qreal kEraserRadius = 6.0;

    ZCInkNote();
    ~ZCInkNote() override;

    QTextEdit* Edit() const;

    // Draws `strokes` in the painter's coordinates (document pixels at the
    // painter's scale), as the note page draws them; for read-only views.
    static void PaintStrokes(QPainter& painter, const std::vector<Stroke>& strokes);

    // Replaces the whole note (rich text as Qt HTML, or plain text when the
    // HTML is empty) and its strokes. The undo history starts empty and the
    // note is unmodified.
    void Load(const QString& html, const QString& plainText, std::vector<Stroke> strokes);
    // The rich text at 100 % zoom.
    QString Html() const;
    QString PlainText() const;
    const std::vector<Stroke>& Strokes() const { return strokes_; }
    // No text and no strokes.
    bool IsEmpty() const;
    bool IsModified() const;
    void SetModified(bool modified);

    void SetMode(Mode mode);
    Mode GetMode() const { return mode_; }
    // Draws or erases as the user would, as one undoable step. Points are in
    // document coordinates at 100 %.
    void AddStroke(Stroke stroke);
    // Removes every stroke passing within kEraserRadius of `point`; returns
    // how many went.
    int EraseAt(const QPointF& point);

    // 75..300; other values are clamped (ValidZoom).
    void SetZoom(int percent);
    // The zoom a stored percentage is shown at, here and in the read-only
    // views of a note.
    static int ValidZoom(int percent);
    int Zoom() const { return zoom_; }

    // Inserts "<stamp> - " as one undoable step: at the start when the caret
    // is there with nothing selected, otherwise on a new line at the end.
    // False when the note has no room for it (OnLimit was called).
    bool InsertStamp(const QString& stamp);

    // Character formats of the selection (or of what is typed next).
    void ToggleBold();
    void ToggleItalic();
    void ToggleUnderline();
    // Makes the current paragraphs a bulleted list, or plain paragraphs
    // again when they are one.
    void ToggleList();
    // Relative text size: -1 small, 0 normal, 1 large, 2 larger, 3 largest.
    void SetSizeStep(int step);

    bool CanUndo() const;
    bool CanRedo() const;
    bool CanPaste() const;
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();

    // Characters that can still be typed.
    int Room() const;

    std::function<void()> OnChange;
    std::function<void()> OnLimit;

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    class Page;
    class StrokeStep;
    friend class Page;
    friend class StrokeStep;

    void Changed();
    // Adds `added` and removes the strokes at `removed` (indexes) as one step.
    void ApplyStep(std::vector<Stroke> added, std::vector<int> removed);
    QPointF ToDocument(const QPointF& viewportPoint) const;
    qreal Scale() const { return zoom_ / 100.0; }

    std::vector<Stroke> strokes_;
    Mode mode_ = Mode::Text;
    int zoom_ = 100;
    qreal basePointSize_ = 0;
};
