// The note as the preview pane and the quick view show it: the text with the
// handwriting drawn over it, following the pane's scrolling.

#include "NoteBlob.h"
#include "NoteInk.h"
#include "NoteView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextEdit>

namespace {

constexpr QRgb kRed = 0xFFFF0000;

// A horizontal red stroke 4 px wide at document row `y` (pixels), x 20..120.
InkStroke RedLineAt(int y)
{
    return { kRed, 400, { { 2000, y * 100 }, { 12000, y * 100 } } };
}

CEBLOB BlobOf(std::vector<BYTE>& bytes)
{
    return { static_cast<DWORD>(bytes.size()), bytes.data() };
}

// How many pixels of `image` in row `y` are mostly red.
int RedPixelsInRow(const QImage& image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        count += c.red() > 200 && c.green() < 80 && c.blue() < 80;
    }
    return count;
}

// A read-only pane on screen, as the preview pane is.
class NoteViewTest : public ::testing::Test {
protected:
    NoteViewTest()
    {
        pane.setReadOnly(true);
        pane.resize(240, 160);
        pane.show();
    }

    QTextEdit pane;
};

} // namespace

TEST_F(NoteViewTest, StrokesAreDrawnOverTheTextAndScrollWithIt)
{

    // A note with only handwriting shows its strokes.
    std::vector<BYTE> inkOnly = WriteNote(u"", "", WriteInk({ RedLineAt(30) }));
    const CEBLOB inkBlob = BlobOf(inkOnly);
    ShowNote(pane, &inkBlob, 100);
    const NoteInk& layer = NoteInk::Of(pane);
    ASSERT_EQ(layer.Strokes().size(), 1u);
    EXPECT_TRUE(layer.isVisible());
    EXPECT_EQ(layer.geometry(), pane.viewport()->rect());
    const QImage drawn = pane.viewport()->grab().toImage();
    EXPECT_GT(RedPixelsInRow(drawn, 30), 80);
    EXPECT_EQ(RedPixelsInRow(drawn, 60), 0);

    // Under a long text the strokes move up as the pane scrolls down.
    std::u16string lines;
    for (int i = 0; i < 200; ++i)
        lines += u"line\n";
    std::vector<BYTE> long_ = WriteNote(lines, "", WriteInk({ RedLineAt(130) }));
    const CEBLOB longBlob = BlobOf(long_);
    ShowNote(pane, &longBlob, 100);
    EXPECT_EQ(&NoteInk::Of(pane), &layer) << "one layer per pane";
    pane.verticalScrollBar()->setValue(100);
    ASSERT_EQ(pane.verticalScrollBar()->value(), 100);
    const QImage scrolled = pane.viewport()->grab().toImage();
    EXPECT_GT(RedPixelsInRow(scrolled, 30), 80);
    EXPECT_EQ(RedPixelsInRow(scrolled, 130), 0);

    // A note without ink leaves no strokes of the one before.
    std::vector<BYTE> textOnly = WriteNote(u"just text", "");
    const CEBLOB textBlob = BlobOf(textOnly);
    ShowNote(pane, &textBlob, 100);
    EXPECT_TRUE(layer.Strokes().empty());
    EXPECT_EQ(RedPixelsInRow(pane.viewport()->grab().toImage(), 30), 0);
}

TEST_F(NoteViewTest, TextAndStrokesAreShownAtTheSavedZoom)
{
    pane.resize(240, 320);
    std::vector<BYTE> bytes = WriteNote(u"one\ntwo\nthree", "", WriteInk({ RedLineAt(30) }));
    const CEBLOB blob = BlobOf(bytes);
    const auto documentHeight = [&] { return pane.document()->documentLayout()->documentSize().height(); };

    ShowNote(pane, &blob, 100);
    const qreal atHundred = documentHeight();
    const QImage plain = pane.viewport()->grab().toImage();
    EXPECT_GT(RedPixelsInRow(plain, 30), 80);

    // At 200 % the text takes about twice the height and the stroke is drawn
    // twice as far down (and twice as long).
    ShowNote(pane, &blob, 200);
    EXPECT_NEAR(documentHeight() / atHundred, 2.0, 0.35);
    EXPECT_DOUBLE_EQ(NoteInk::Of(pane).Scale(), 2.0);
    const QImage zoomed = pane.viewport()->grab().toImage();
    EXPECT_EQ(RedPixelsInRow(zoomed, 30), 0);
    EXPECT_GT(RedPixelsInRow(zoomed, 60), 160);

    // A stored value out of range is shown as the editor would clamp it; the
    // next note at 100 % is back to the pane's own size.
    ShowNote(pane, &blob, 5000);
    EXPECT_DOUBLE_EQ(NoteInk::Of(pane).Scale(), 3.0);
    ShowNote(pane, &blob, 100);
    EXPECT_DOUBLE_EQ(documentHeight(), atHundred);
    EXPECT_GT(RedPixelsInRow(pane.viewport()->grab().toImage(), 30), 80);
}
