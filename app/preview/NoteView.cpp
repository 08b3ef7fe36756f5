#include "NoteView.h"

#include "NoteBlob.h"
#include "NoteInk.h"

#include <QTextEdit>

void ShowNote(QTextEdit& pane, const CEBLOB* note)
{
    // Latin text is laid out without shaping (kerning, ligatures), which
    // halves the time a long note takes to appear; scripts that need shaping
    // keep it.
    QFont font = pane.document()->defaultFont();
    if (font.styleStrategy() != QFont::PreferNoShaping) {
        font.setStyleStrategy(QFont::PreferNoShaping);
        pane.document()->setDefaultFont(font);
    }
    const NoteContent content = note != nullptr ? ReadNote(*note) : NoteContent {};
    if (!content.richText.empty())
        pane.setHtml(QString::fromUtf8(content.richText.data(), static_cast<qsizetype>(content.richText.size())));
    else
        pane.setPlainText(QString::fromUtf16(content.plainText.data(), static_cast<qsizetype>(content.plainText.size())));
    NoteInk::Of(pane).SetStrokes(NoteInk::StrokesOf(content.ink));
    QTextCursor start = pane.textCursor();
    start.setPosition(0);
    pane.setTextCursor(start);
}
