#pragma once
// NoteInk: the handwriting of a note drawn, read-only, over a text pane that
// shows the note's text (the preview pane, the quick view). It is a
// transparent child of the pane's viewport that lets every tap through; it
// follows the pane's scrolling and size, so the strokes stay on the words
// they were written over. Strokes are in document pixels at 100 % zoom and
// are drawn at the pane's zoom.
//
// Owned by the viewport (Qt parent); UI thread only.

#include "WinTypes.h"
#include "ZCInkNote.h"

#include <QWidget>

#include <vector>

class QTextEdit;

class NoteInk : public QWidget {
public:
    // The ink layer of `pane`, made on first use.
    static NoteInk& Of(QTextEdit& pane);
    // The strokes of a note's ink section (ReadInk's format); a damaged
    // section gives the strokes that are whole.
    static std::vector<ZCInkNote::Stroke> StrokesOf(const std::vector<BYTE>& ink);

    // `scale`: the zoom the pane's text is shown at (1 for 100 %).
    void SetStrokes(std::vector<ZCInkNote::Stroke> strokes, qreal scale);
    const std::vector<ZCInkNote::Stroke>& Strokes() const { return strokes_; }
    qreal Scale() const { return scale_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit NoteInk(QTextEdit& pane);

    QTextEdit& pane_;
    std::vector<ZCInkNote::Stroke> strokes_;
    qreal scale_ = 1.0;
};
