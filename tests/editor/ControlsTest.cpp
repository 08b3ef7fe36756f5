// The controls under the entry editor: the property list's value fitting,
// the file tree over a real folder, and the note blob's ink section.

#include "GuiApp.h"
#include "NoteBlob.h"
#include "TempHome.h"
#include "ZCFileTree.h"
#include "ZCInkNote.h"
#include "ZCPropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QTableWidget>
#include <QTest>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

namespace {

QStringList Children(QTreeWidgetItem* item)
{
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i)
        names << item->child(i)->text(0);
    return names;
}

void Touch(const std::filesystem::path& path)
{
    std::ofstream(path) << "x";
}

} // namespace

TEST(PropertyListTest, ValuesAreFittedWithTheFontsMetrics)
{
    const QFontMetrics metrics(QFont(QStringLiteral("Sans"), 10));
    const int width = metrics.horizontalAdvance(QStringLiteral("Twelve chars")) + 2;
    // One line that fits stays whole.
    EXPECT_EQ(ZCPropertyList::FitValue(QStringLiteral("short"), metrics, width), QStringLiteral("short"));
    // Two lines: the first line, then "...".
    EXPECT_EQ(ZCPropertyList::FitValue(QStringLiteral("one\r\ntwo"), metrics, width), QStringLiteral("one..."));
    // Too long: cut so that the text with "..." fits, whatever the length
    // (no fixed buffer: 5,000 characters are fine).
    const QString longValue(5000, u'W');
    const QString fitted = ZCPropertyList::FitValue(longValue, metrics, width);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("...")));
    EXPECT_GT(fitted.size(), 3);
    EXPECT_LE(metrics.horizontalAdvance(fitted), width);
    EXPECT_GT(metrics.horizontalAdvance(fitted + u'W'), width - metrics.horizontalAdvance(u'W'));
    // Nothing fits: nothing is drawn (no negative cut).
    EXPECT_EQ(ZCPropertyList::FitValue(longValue, metrics, 2), QString());
    EXPECT_EQ(ZCPropertyList::FitValue(QStringLiteral("x"), metrics, -5), QString());
}

TEST(PropertyListTest, RowsKeepTheirTextsDataAndColours)
{
    ZCPropertyList list;
    ASSERT_TRUE(list.Create({}, QRect(0, 0, 240, 200), nullptr));
    EXPECT_FALSE(list.LabelFont().has_value());
    EXPECT_EQ(list.SetValueColor(Qt::darkGreen), QColor(Qt::black));
    EXPECT_EQ(list.InsertRow(QStringLiteral("Heading"), {}, 0), 0);
    EXPECT_EQ(list.InsertRow(QStringLiteral("Subject"), QStringLiteral("Lunch")), 1);
    EXPECT_EQ(list.GetItemData(0), 0u);
    EXPECT_EQ(list.GetItemData(1), 1u);
    EXPECT_EQ(list.GetItemData(7), 0u);
    EXPECT_EQ(list.GetItemText(1, 1), QStringLiteral("Lunch"));
    EXPECT_EQ(list.Table()->columnSpan(0, 0), 2);
    EXPECT_EQ(list.Table()->rowHeight(1), ZCPropertyList::kRowHeight);
    list.SetRowValueColor(1, Qt::red);
    EXPECT_EQ(list.RowValueColor(1), QColor(Qt::red));
    list.SetRowValueColor(1, {});
    EXPECT_FALSE(list.RowValueColor(1).isValid());
    int tapped = -1;
    list.OnTap = [&](int row, int) { tapped = row; };
    list.Table()->show();
    PumpAll();
    QTest::mouseClick(list.Table()->viewport(), Qt::LeftButton, {}, list.ValueRect(1).center());
    EXPECT_EQ(tapped, 1);
}

class FileTreeTest : public ::testing::Test {
protected:
    FileTreeTest()
    {
        root = std::filesystem::path(home.path()) / "tree";
        std::filesystem::create_directories(root / "beta");
        std::filesystem::create_directories(root / "Alpha" / "inner");
        std::filesystem::create_directories(root / "empty");
        std::filesystem::create_directories(root / ".hidden");
        for (const char* name : { "b.txt", "A.txt", "c&d.txt", ".dot" })
            Touch(root / name);
        Touch(root / "Alpha" / "inner" / "deep.txt");
        EXPECT_TRUE(tree.Create({}, QRect(0, 0, 240, 320), nullptr));
    }
    QString Root() const { return QString::fromStdString(root.string()); }

    TempHome home;
    std::filesystem::path root;
    ZCFileTree tree;
};

TEST_F(FileTreeTest, FoldersFirstInNameOrderHiddenLeftOutEmptyFoldersWithoutButton)
{
    QTreeWidgetItem* top = tree.InsertRoot(Root());
    EXPECT_EQ(Children(top),
        QStringList({ "Alpha", "beta", "empty", "A.txt", "b.txt", "c&d.txt" }));
    auto child = [&](const char* name) { return top->child(static_cast<int>(Children(top).indexOf(name))); };
    EXPECT_EQ(child("empty")->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(child("Alpha")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(child("A.txt")->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_TRUE(tree.IsFolder(child("beta")));
    EXPECT_FALSE(tree.IsFolder(child("b.txt")));
    // Folders are filled when opened, not before.
    EXPECT_EQ(child("Alpha")->childCount(), 0);
    child("Alpha")->setExpanded(true);
    EXPECT_EQ(Children(child("Alpha")), QStringList({ "inner" }));
    EXPECT_EQ(tree.GetPath(child("c&d.txt")), Root() + QStringLiteral("/c&d.txt"));
    EXPECT_EQ(tree.TotalSize(), 3u);

    ZCFileTree withHidden;
    ASSERT_TRUE(withHidden.Create({}, {}, nullptr));
    withHidden.SetShowHidden(true);
    EXPECT_EQ(Children(withHidden.InsertRoot(Root())).mid(0, 1), QStringList({ ".hidden" }));
}

TEST_F(FileTreeTest, FindPathWalksAndExpandsTheFoldersOnTheWay)
{
    QTreeWidgetItem* top = tree.InsertRoot(QStringLiteral("/"));
    EXPECT_EQ(tree.GetPath(top), QStringLiteral("/"));
    QTreeWidgetItem* deep = tree.FindPath(top, Root() + QStringLiteral("/Alpha/inner/deep.txt"));
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(tree.GetPath(deep), Root() + QStringLiteral("/Alpha/inner/deep.txt"));
    EXPECT_TRUE(deep->parent()->isExpanded());
    // Names that differ only in case are found when nothing matches exactly.
    QTreeWidgetItem* folded = tree.FindPath(top, Root() + QStringLiteral("/alpha/INNER"));
    ASSERT_NE(folded, nullptr);
    EXPECT_EQ(folded->text(0), QStringLiteral("inner"));
    // A missing last component: null, with the folders before it opened.
    QTreeWidgetItem* beta = tree.FindPath(top, Root() + QStringLiteral("/beta"));
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(tree.FindPath(top, Root() + QStringLiteral("/beta/gone.txt")), nullptr);
    EXPECT_TRUE(beta->parent()->isExpanded());
    EXPECT_EQ(tree.FindPath(top, Root() + QStringLiteral("/nowhere/x")), nullptr);
}

TEST_F(FileTreeTest, AFolderOfTenThousandFilesFillsWhole)
{
    const auto big = root / "big";
    std::filesystem::create_directories(big);
    for (int i = 0; i < 10000; ++i)
        Touch(big / ("file" + std::to_string(i) + ".txt"));
    QTreeWidgetItem* top = tree.InsertRoot(Root());
    QTreeWidgetItem* folder = tree.FindPath(top, QStringLiteral("big"));
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(tree.Fill(folder), 10000);
    EXPECT_EQ(folder->child(0)->text(0), QStringLiteral("file0.txt"));
    EXPECT_EQ(folder->child(9999)->text(0), QStringLiteral("file9999.txt"));
    EXPECT_NE(tree.FindPath(top, QStringLiteral("big/file5000.txt")), nullptr);
}

TEST(NoteInkTest, StrokesRoundTripAndDamagedSectionsKeepWholeStrokes)
{
    const std::vector<InkStroke> strokes = {
        { 0xFF1A3C8C, 200, { { 100, 200 }, { -50, 70000 } } },
        { 0x80FF0000, 450, { { 1, 1 } } },
    };
    const std::vector<BYTE> ink = WriteInk(strokes);
    bool damaged = true;
    EXPECT_EQ(ReadInk(ink, &damaged), strokes);
    EXPECT_FALSE(damaged);
    // Inside a note blob, next to text that export reads.
    const std::vector<BYTE> blob = WriteNote(u"text", "<p>text</p>", ink);
    const NoteContent note = ReadNote(blob.data(), blob.size());
    EXPECT_EQ(note.plainText, u"text");
    EXPECT_EQ(ReadInk(note.ink), strokes);
    EXPECT_TRUE(WriteInk({}).empty());
    EXPECT_TRUE(ReadInk({}, &damaged).empty());
    EXPECT_FALSE(damaged);

    // Cut inside the second stroke: the first survives.
    std::vector<BYTE> cut(ink.begin(), ink.end() - 4);
    EXPECT_EQ(ReadInk(cut, &damaged), std::vector<InkStroke>(strokes.begin(), strokes.begin() + 1));
    EXPECT_TRUE(damaged);
    // A stroke count far beyond the bytes, and a point count beyond them.
    std::vector<BYTE> lying = ink;
    lying[4] = lying[5] = lying[6] = lying[7] = 0xFF;
    EXPECT_EQ(ReadInk(lying, &damaged).size(), 2u);
    EXPECT_TRUE(damaged);
    lying = ink;
    lying[8 + 6 + 3] = 0x7F;
    EXPECT_TRUE(ReadInk(lying, &damaged).empty());
    EXPECT_TRUE(damaged);
    // Another version is not read.
    lying = ink;
    lying[0] = 2;
    EXPECT_TRUE(ReadInk(lying, &damaged).empty());
    EXPECT_TRUE(damaged);
}

TEST(InkNoteTest, ZoomScalesTextReadBackFromTheStoredRichText)
{
    ZCInkNote first;
    ASSERT_TRUE(first.Create({}, QRect(0, 0, 240, 200), nullptr));
    first.Load({}, QStringLiteral("plain words"), {});
    first.SetZoom(150);
    first.SelectAll();
    first.SetSizeStep(2);
    // The stored rich text does not depend on the zoom it was written at.
    const QString stored = first.Html();
    first.SetZoom(100);
    EXPECT_EQ(first.Html(), stored);

    ZCInkNote second;
    ASSERT_TRUE(second.Create({}, QRect(0, 0, 240, 200), nullptr));
    second.Load(stored, {}, {});
    second.Show();
    PumpAll();
    // The text's line height doubles with the zoom, so no size was fixed
    // when the rich text was read back.
    auto lineHeight = [&] {
        QTextDocument* document = second.Edit()->document();
        return document->documentLayout()->blockBoundingRect(document->firstBlock()).height();
    };
    const qreal normal = lineHeight();
    second.SetZoom(200);
    PumpAll();
    EXPECT_NEAR(lineHeight() / normal, 2.0, 0.3);
    EXPECT_FALSE(second.IsModified());
}
