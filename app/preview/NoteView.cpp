#include "NoteView.h"

#include "NoteBlob.h"
#include "NoteInk.h"

#include <QTextEdit>

namespace {

// The pane's own font grown by `scale`: the stored rich text keeps its sizes
// relative to the default font, so the whole note grows alike. Latin text is
// laid out without shaping (kerning, ligatures), which halves the time a
// long note takes to appear; scripts that need shaping keep it.
QFont NoteFont(const QTextEdit& pane, qreal scale)
{
    QFont font = pane.font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else
        font.setPixelSize(qRound(font.pixelSize() * scale));
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

} // namespace

void ShowNote(QTextEdit& pane, const CEBLOB* note, int zoomPercent)
{
    const qreal scale = ZCInkNote::ValidZoom(zoomPercent) / 100.0;
    const QFont font = NoteFont(pane, scale);
    if (pane.document()->defaultFont() != font)
        pane.document()->setDefaultFont(font);
    const NoteContent content = note != nullptr ? ReadNote(*note) : NoteContent {};
    if (!content.richText.empty())
        pane.setHtml(QString::fromUtf8(content.richText.data(), static_cast<qsizetype>(content.richText.size())));
    else
        pane.setPlainText(QString::fromUtf16(content.plainText.data(), static_cast<qsizetype>(content.plainText.size())));
    NoteInk::Of(pane).SetStrokes(NoteInk::StrokesOf(content.ink), scale);
    QTextCursor start = pane.textCursor();
    start.setPosition(0);
    pane.setTextCursor(start);
}
