// The main list: its lines after writes, deletes and copies, the program's
// selection as the user clicks, the filtered rows and a journal larger
// than 16-bit row numbers.

#include "MainWinFixture.h"

#include "MainList.h"
#include "ProgramText.h"
#include "Settings.h"
#include "ZHandles.h"

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace {

class MainListTest : public MainWinTest {
protected:
    MainListTest()
    {
        owner.Create(QStringLiteral("owner"), QRect(0, 0, 240, 320), nullptr, QStringLiteral("owner"));
        EXPECT_TRUE(list.CreateList(owner.GetHandle()));
        list.Move(0, 0, 240, 320);
        list.Show();
        owner.Show();
        view = list.View();
    }

    // The subjects of the lines, top to bottom.
    std::vector<QString> Lines()
    {
        std::vector<QString> lines;
        for (int row = 0; row < list.Model().Rows(); ++row)
            lines.push_back(Text(row, MainListModel::EntryColumn));
        return lines;
    }
    QString Text(int row, int column) { return list.Model().index(row, column).data().toString(); }
    CEOID OidOf(int row)
    {
        return static_cast<CEOID>(list.Model().index(row, 0).data(MainListModel::OidRole).toUInt());
    }
    std::vector<CEOID> Selected()
    {
        std::vector<CEOID> ids;
        for (CEOID oid = selection.First(); oid != 0; oid = selection.Next())
            ids.push_back(oid);
        return ids;
    }
    QPoint CentreOf(int row) { return view->visualRect(list.Model().index(row, 1)).center(); }
    void Click(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, CentreOf(row));
        PumpAll();
    }
    LPARAM ListParam() const { return reinterpret_cast<LPARAM>(ToHwnd(list.GetHandle())); }

    CommandSink owner;
    MainList list { journal, selection, store, &owner };
    QTableView* view = nullptr;
};

} // namespace

TEST_F(MainListTest, LinesFollowWritesCopiesAndDeletes)
{
    const CEOID a = Add({ .subject = u"Alpha", .date = At(2004, 1, 1), .type = 1, .company = u"Acme" });
    const CEOID b = Add({ .subject = u"Bravo", .date = At(2005, 1, 1) });
    const CEOID c = Add({ .subject = u"Charlie", .date = At(2003, 1, 1), .type = 9 });
    list.Refresh();
    EXPECT_EQ(Lines(), (std::vector<QString> { "Bravo", "Alpha", "Charlie" }));
    EXPECT_EQ(Text(1, MainListModel::DateColumn), QStringLiteral("01/01/04"));

    // Two selected entries are copied once each, to their sorted places.
    view->selectionModel()->setCurrentIndex(
        list.Model().index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(
        list.Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(Selected(), (std::vector<CEOID> { a, c }));
    EXPECT_EQ(list.Paste(), FALSE);
    EXPECT_EQ(JournalCount(), 5);
    EXPECT_EQ(Lines(), (std::vector<QString> { "Bravo", "Alpha", "Alpha", "Charlie", "Charlie" }));
    EXPECT_EQ(Selected(), (std::vector<CEOID> { a, c }));
    CEOID copyOfA = OidOf(1) == a ? OidOf(2) : OidOf(1);
    ASSERT_NE(copyOfA, a);
    ZJITEMS copy;
    ASSERT_EQ(journal.Read(copyOfA, &copy, FALSE), copyOfA);
    EXPECT_EQ(std::u16string(copy.GetItem(PROPID_COMPANY)->GetStrValue()), u"Acme");
    EXPECT_EQ(copy.GetItem(PROPID_TYPE)->GetShort(), 1);

    // Deleting asks first, saying how many; No deletes nothing.
    hooks.QueueAnswer(IDNO);
    EXPECT_EQ(list.Cut(), FALSE);
    EXPECT_EQ(JournalCount(), 5);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Delete 2 entries?");
    EXPECT_EQ(boxes[0].caption, kWindowTitle);
    EXPECT_EQ(boxes[0].flags, 52u);

    // Yes deletes the selected entries (not their copies).
    hooks.QueueAnswer(IDYES);
    EXPECT_EQ(list.Cut(), TRUE);
    EXPECT_EQ(JournalCount(), 3);
    EXPECT_EQ(Lines(), (std::vector<QString> { "Bravo", "Alpha", "Charlie" }));
    EXPECT_NE(OidOf(1), a);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(selection.Focused(), 0u);

    // Without the confirmation setting nothing is asked.
    Settings(store).SetConfirmDeletes(false);
    hooks.Clear();
    list.SelectItem(b);
    EXPECT_EQ(list.Cut(), TRUE);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
    EXPECT_EQ(Lines(), (std::vector<QString> { "Alpha", "Charlie" }));
    // Nothing selected: nothing to delete.
    EXPECT_EQ(list.Cut(), FALSE);
}

TEST_F(MainListTest, SelectionAndFocusFollowClicksAndKeys)
{
    std::vector<CEOID> oids;
    for (int n = 0; n < 6; ++n)
        oids.push_back(Add({ .subject = u"Entry", .date = At(2006, 1, static_cast<WORD>(20 - n)) }));
    list.Refresh();
    view->grab();

    Click(1);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[1] }));
    EXPECT_EQ(selection.Focused(), oids[1]);
    auto previews = owner.With(MainList::kCmdPreview);
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[0].lParam, 0); // selection changed
    EXPECT_EQ(previews[1].code, MainList::kClickCode);
    EXPECT_EQ(previews[1].lParam, ListParam());

    Click(3, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[1], oids[3] }));
    EXPECT_EQ(selection.Focused(), oids[3]);
    // Deselecting the focused line keeps it focused.
    Click(3, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[1] }));
    EXPECT_EQ(selection.Focused(), oids[3]);
    // A range: the program's selection holds exactly the selected lines.
    Click(5, Qt::ShiftModifier);
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    EXPECT_GE(rows.size(), 3);
    EXPECT_EQ(selection.Count(), rows.size());
    for (const QModelIndex& row : rows)
        EXPECT_TRUE(selection.Contains(OidOf(row.row()))) << "row " << row.row();
    // A plain click starts over.
    Click(4);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[4] }));
    EXPECT_EQ(list.GetSelItem(nullptr), 4);

    owner.commands.clear();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, CentreOf(4));
    PumpAll();
    auto edits = owner.With(MainList::kCmdEdit);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].code, MainList::kDoubleClickCode);

    owner.commands.clear();
    QTest::keyClick(view, Qt::Key_Return);
    PumpAll();
    previews = owner.With(MainList::kCmdPreview);
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].lParam, ListParam());

    // Below the last line there is no entry: a click there posts nothing.
    owner.commands.clear();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(100, view->viewport()->height() - 2));
    PumpAll();
    EXPECT_TRUE(owner.With(MainList::kCmdPreview).empty());

    // The down key moves the focus and the selection.
    QTest::keyClick(view, Qt::Key_Down);
    PumpAll();
    EXPECT_EQ(selection.Focused(), oids[5]);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[5] }));
}

TEST_F(MainListTest, SelectItemAndContextMenuSelection)
{
    std::vector<CEOID> oids;
    for (int n = 0; n < 4; ++n)
        oids.push_back(Add({ .subject = u"Entry", .date = At(2006, 2, static_cast<WORD>(10 - n)) }));
    list.Refresh();

    list.SelectItem(oids[2]);
    CEOID oid = 0;
    EXPECT_EQ(list.GetSelItem(&oid), 2);
    EXPECT_EQ(oid, oids[2]);
    EXPECT_EQ(selection.Focused(), oids[2]);
    EXPECT_TRUE(list.HasSelection());

    // Pressing on a selected line keeps the selection; on another line it
    // becomes the only one.
    list.SelectItem(oids[0]);
    ASSERT_EQ(selection.Count(), 2);
    EXPECT_EQ(list.SelectAt(CentreOf(2)), 2);
    EXPECT_EQ(selection.Count(), 2);
    EXPECT_EQ(selection.Focused(), oids[2]);
    EXPECT_EQ(list.SelectAt(CentreOf(3)), 3);
    EXPECT_EQ(Selected(), (std::vector<CEOID> { oids[3] }));
    EXPECT_EQ(selection.Focused(), oids[3]);
    EXPECT_EQ(list.SelectAt(QPoint(5, view->viewport()->height() - 1)), -1);

    // An entry that is not shown leaves nothing selected.
    list.SelectItem(0xABCDEF);
    EXPECT_EQ(selection.Count(), 0);
    EXPECT_EQ(selection.Focused(), 0u);
    EXPECT_EQ(list.GetSelItem(&oid), -1);
    EXPECT_EQ(oid, 0u);
    EXPECT_FALSE(list.HasSelection());
    EXPECT_FALSE(view->selectionModel()->hasSelection());
}

TEST_F(MainListTest, FilteredRowsAndHiddenSelection)
{
    const CEOID old1 = Add({ .subject = u"Old one", .date = At(2001, 5, 1) });
    const CEOID new1 = Add({ .subject = u"New one", .date = At(2007, 5, 1) });
    Add({ .subject = u"Old two", .date = At(2001, 6, 1) });
    const CEOID new2 = Add({ .subject = u"New two", .date = At(2007, 6, 1) });
    Add({ .subject = u"New three", .date = At(2007, 7, 1) });
    list.Refresh();
    list.SelectItem(old1);
    list.SelectItem(new1);
    ASSERT_EQ(selection.Count(), 2);

    ZFilter& filter = journal.GetFilter();
    filter.SetByRange(1);
    filter.SetStart(ZTime(At(2007, 1, 1)));
    filter.SetEnd(ZTime(At(2007, 12, 31)));
    filter.SetActive(1);
    list.Refresh();
    // Row n is the n-th entry that passes the filter.
    EXPECT_EQ(Lines(), (std::vector<QString> { "New three", "New two", "New one" }));
    EXPECT_EQ(OidOf(1), new2);
    view->grab();
    EXPECT_EQ(list.Cache().Row(2).oid, new1);

    // The hidden entry left the selection; the shown one is still selected.
    EXPECT_EQ(Selected(), (std::vector<CEOID> { new1 }));
    EXPECT_EQ(list.GetSelItem(nullptr), 2);
    Settings(store).SetConfirmDeletes(false);
    EXPECT_EQ(list.Cut(), TRUE);
    EXPECT_EQ(SubjectOf(old1), u"Old one");
    EXPECT_EQ(SubjectOf(new1), u"");

    filter.SetActive(0);
    list.Refresh();
    EXPECT_EQ(list.Model().Rows(), 4);
}

TEST_F(MainListTest, LinesShowTheTypePictures)
{
    const ZImageList& images = list.Images();
    ASSERT_EQ(images.GetImageCount(), TYPE_COUNT);
    for (int i = 0; i < TYPE_COUNT; ++i) {
        const QImage picture = images.Image(i).toImage();
        EXPECT_EQ(picture.size(), QSize(16, 16));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(picture, images.Image(j).toImage()) << "types " << i << " and " << j << " look alike";
    }
    Add({ .subject = u"Fax", .date = At(2006, 1, 2), .type = 3 });
    Add({ .subject = u"Odd", .date = At(2006, 1, 1), .type = 42 });
    list.Refresh();
    EXPECT_FALSE(list.Model().index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(list.Model().index(1, 0).data(Qt::DecorationRole).isValid());
    EXPECT_FALSE(list.Model().index(0, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(MainListTest, RowsPastSixteenBitsScrollToTheEnd)
{
    constexpr int kEntries = 70000;
    AddBare(kEntries);
    list.Refresh();
    ASSERT_EQ(list.Model().Rows(), kEntries);
    EXPECT_EQ(Text(0, 1), QStringLiteral("Entry 69999"));
    EXPECT_EQ(Text(65536, 1), QStringLiteral("Entry 4463"));

    view->scrollToBottom();
    view->grab();
    const QRect lastLine = view->visualRect(list.Model().index(kEntries - 1, 1));
    EXPECT_TRUE(view->viewport()->rect().contains(lastLine.center()));
    EXPECT_TRUE(list.Cache().Tail().Holds(kEntries - 1));
    const long reads = list.Cache().ReadCount();
    EXPECT_EQ(Text(kEntries - 1, 1), QStringLiteral("Entry 0"));
    EXPECT_EQ(list.Cache().ReadCount(), reads);

    // Selecting an entry beyond row 65,535 finds its row.
    const CEOID oid = OidOf(66000);
    list.SelectItem(oid);
    EXPECT_EQ(list.GetSelItem(nullptr), 66000);
    EXPECT_EQ(journal.GetRowIndex(oid), 66000u);
}
