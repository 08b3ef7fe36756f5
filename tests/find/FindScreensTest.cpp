// The find dialog's history, the results, the quick view with its entry
// header and the contacts bar of the preview, driven through their widgets.

#include "OpenJournalTest.h"

#include "ContactMenuStyle.h"
#include "ContactSplitter.h"
#include "EntryHeader.h"
#include "FindDialog.h"
#include "FindResults.h"
#include "GuiApp.h"
#include "NoteBlob.h"
#include "NoteInk.h"
#include "ObjectStore.h"
#include "ProgramObjects.h"
#include "QuickView.h"
#include "SearchIndexWindow.h"
#include "Settings.h"
#include "Skin.h"
#include "ZWMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

class FindScreensTest : public OpenJournalTest {
protected:
    FindScreensTest() { store.Open(u"Software\\Quorvalent\\Kestrin"); }

    QStringList History() { return ReadFindHistory(store); }

    // Runs `act` on the modal dialog that `open` shows, once it is up.
    template <class Act> void WithModal(Act act)
    {
        QTimer::singleShot(0, [act] {
            PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
            act(qobject_cast<QDialog*>(QApplication::activeModalWidget()));
        });
    }

    ZRegistry store;
};

} // namespace

TEST_F(FindScreensTest, DialogCountsInSlicesAndDropsACountWhenTheTextChanges)
{
    // Every entry has a meeting, one in three a lunch too.
    {
        ObjectStoreTransaction batch;
        for (int n = 0; n < 300; ++n)
            Add({ .subject = n % 3 ? u"Meeting" : u"Meeting and lunch", .date = At(2021, 3, 1) });
        ASSERT_TRUE(batch.Commit());
    }
    db.InvalidateRows();
    Settings(store).SetSearchBy(int(FindBy::Subject));
    Settings(store).SetMatchCase(false);
    PrepareFindIndex(db);

    FindRequest request;
    FindDialog dialog(nullptr, request, db, store);
    dialog.SetCountSlice(std::chrono::milliseconds(0));
    auto* text = dialog.findChild<QComboBox*>(QStringLiteral("findText"));
    auto* count = dialog.findChild<QLabel*>(QStringLiteral("findCount"));
    auto* nextSlice = dialog.findChild<QTimer*>(QStringLiteral("findCountSlice"));
    ASSERT_TRUE(text && count && nextSlice);
    text->setEditText(QString());

    // Typed key by key: the count shows from the third character, first as
    // a lower bound, then exact.
    QTest::keyClicks(text->lineEdit(), QStringLiteral("me"));
    EXPECT_TRUE(count->text().isEmpty());
    QTest::keyClicks(text->lineEdit(), QStringLiteral("e"));
    EXPECT_TRUE(count->text().startsWith(QStringLiteral("at least "))) << count->text().toStdString();
    QTRY_COMPARE(count->text(), QStringLiteral("300 entries"));
    EXPECT_FALSE(nextSlice->isActive());

    // A new text while the count of the old one is under way: only the new
    // text's count ends up shown.
    QTest::keyClicks(text->lineEdit(), QStringLiteral("ting"));
    ASSERT_TRUE(nextSlice->isActive());
    text->setEditText(QStringLiteral("lunch"));
    QTRY_COMPARE(count->text(), QStringLiteral("100 entries"));
    EXPECT_FALSE(nextSlice->isActive());

    // An entry written while the count is under way is counted.
    text->setEditText(QStringLiteral("meeting"));
    ASSERT_TRUE(nextSlice->isActive());
    Add({ .subject = u"late meeting", .date = At(2021, 3, 2) });
    QTRY_COMPARE(count->text(), QStringLiteral("301 entries"));

    // Closing the dialog drops the count under way.
    text->setEditText(QStringLiteral("eting"));
    ASSERT_TRUE(nextSlice->isActive());
    const QString shown = count->text();
    dialog.reject();
    EXPECT_FALSE(nextSlice->isActive());
    QApplication::processEvents();
    EXPECT_EQ(count->text(), shown);
}

TEST_F(FindScreensTest, HistoryKeepsTheNewestTenWithoutRepeats)
{
    QStringList shown;
    for (int n = 0; n < 10; ++n)
        shown.prepend(WriteFindHistory(store, QStringLiteral("text %1").arg(n), History()));
    EXPECT_EQ(History().size(), 10);
    EXPECT_EQ(History().front(), QStringLiteral("text 9"));

    // An eleventh pushes the oldest out.
    EXPECT_EQ(WriteFindHistory(store, QStringLiteral("eleventh   "), History()), QStringLiteral("eleventh"));
    EXPECT_EQ(History().size(), 10);
    EXPECT_EQ(History().front(), QStringLiteral("eleventh"));
    EXPECT_FALSE(History().contains(QStringLiteral("text 0")));

    // A repeated text (in any case) moves to the front, once.
    WriteFindHistory(store, QStringLiteral("TEXT 5"), History());
    EXPECT_EQ(History().front(), QStringLiteral("TEXT 5"));
    EXPECT_EQ(History().filter(QStringLiteral("text 5"), Qt::CaseInsensitive).size(), 1);

    // An empty text leaves the older texts in order, "Find0" first.
    const QStringList before = History();
    EXPECT_TRUE(WriteFindHistory(store, QStringLiteral("  "), History()).isEmpty());
    EXPECT_EQ(History(), before);
}

TEST_F(FindScreensTest, DialogCountsWhileTypingAndResultsListTheMatches)
{
    const CEOID a = Add({ .subject = u"a meeting", .date = At(2021, 3, 1) });
    const CEOID b = Add({ .subject = u"MEETING", .date = At(2021, 3, 2) });
    Add({ .subject = u"lunch", .date = At(2021, 3, 3) });
    Settings(store).SetSearchBy(int(FindBy::Subject));
    Settings(store).SetMatchCase(false);
    PrepareFindIndex(db);

    FindRequest request;
    FindDialog dialog(nullptr, request, db, store);
    auto* text = dialog.findChild<QComboBox*>(QStringLiteral("findText"));
    auto* count = dialog.findChild<QLabel*>(QStringLiteral("findCount"));
    ASSERT_TRUE(text && count);
    text->setEditText(QStringLiteral("meet"));
    EXPECT_EQ(count->text(), QStringLiteral("2 entries"));
    dialog.findChild<QCheckBox*>(QStringLiteral("findMatchCase"))->click();
    EXPECT_EQ(count->text(), QStringLiteral("1 entry"));
    dialog.accept();
    EXPECT_EQ(History().front(), QStringLiteral("meet"));
    EXPECT_TRUE(Settings(store).MatchCase());

    SelectionList selection;
    FindResults results(nullptr, request, db, selection, [](DWORD) {}, 100);
    ASSERT_TRUE(results.Search());
    EXPECT_EQ(request.results, std::vector<CEOID>({ a }));
    EXPECT_EQ(results.findChild<QLabel*>(QStringLiteral("foundCount"))->text(), QStringLiteral(" Found: 1"));

    // From the current entry: the focused entry itself is never listed.
    request.matchCase = false;
    request.from = FindRequest::kFromCurrent;
    selection.SetFocused(b);
    FindResults after(nullptr, request, db, selection, [](DWORD) {}, 100);
    ASSERT_TRUE(after.Search());
    EXPECT_EQ(request.results, std::vector<CEOID>({ a }));

    request.text = u"nothing like it";
    hooks.Clear();
    FindResults none(nullptr, request, db, selection, [](DWORD) {}, 100);
    EXPECT_FALSE(none.Search());
    ASSERT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).back().text, u"No Records Found!");
}

TEST_F(FindScreensTest, HeaderSizesItsRowsElidesTheSubjectAndIgnoresBadValues)
{
    int tapped = 0;
    EntryHeader header(nullptr, [&](int field) { tapped = field; });
    header.resize(240, 106);
    ZJITEMS plain = MakeEntry({ .subject = u"Short", .date = At(2022, 5, 6, 14, 30) });
    header.Fill(plain);
    EXPECT_EQ(header.height(), 57);
    EXPECT_FALSE(header.FieldLabel(EntryHeader::kCompany)->isVisibleTo(&header));
    EXPECT_FALSE(header.findChild<QLabel*>(QStringLiteral("headerCategoriesLabel"))->isVisibleTo(&header));

    ZJITEMS full = MakeEntry({ .subject = std::u16string(300, u'W'), .company = u"Acme",
        .categories = { u"Work" }, .contacts = { u"Ann", u"Bob" }, .sensitivity = 77, .priority = -3 });
    full.GetItem(PROPID_TYPE)->SetShort(250);
    header.Fill(full);
    EXPECT_EQ(header.height(), 114);
    EXPECT_EQ(header.FieldLabel(EntryHeader::kContacts)->text(), QStringLiteral("Ann; Bob"));
    // Values from elsewhere outside the tables show nothing, and no crash.
    EXPECT_TRUE(header.FieldLabel(EntryHeader::kType)->text().isEmpty());
    EXPECT_TRUE(header.FieldLabel(EntryHeader::kPriority)->pixmap().isNull());
    EXPECT_TRUE(header.FieldLabel(EntryHeader::kSensitivity)->pixmap().isNull());
    EXPECT_FALSE(EntryHeader::PriorityPicture(2).isNull());

    // A subject too long for its row ends in an ellipsis that fits, even in
    // room for fewer than six characters.
    QLabel* subject = header.FieldLabel(EntryHeader::kSubject);
    EXPECT_TRUE(subject->text().endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetrics(subject->font()).horizontalAdvance(subject->text()), subject->width());
    for (int width : { 0, 3, 20 }) {
        const QString fitted = EntryHeader::FitSubject(QStringLiteral("A long subject"), subject->font(), width);
        EXPECT_LE(QFontMetrics(subject->font()).horizontalAdvance(fitted), std::max(width, 0)) << width;
    }

    QTest::mouseClick(header.FieldLabel(EntryHeader::kDate), Qt::LeftButton);
    EXPECT_EQ(tapped, EntryHeader::kDate);
}

TEST_F(FindScreensTest, QuickViewEndsWithTheTappedField)
{
    const CEOID oid = Add({ .subject = u"Visit", .date = At(2022, 5, 6),
        .note = WriteNote(u"Rich note", "<p><b>Rich</b> note</p>") });
    QString note;
    WithModal([&](QDialog* view) {
        ASSERT_TRUE(view);
        note = view->findChild<QTextEdit*>(QStringLiteral("quickViewNote"))->toPlainText();
        QTest::mouseClick(view->findChild<QLabel*>(QStringLiteral("headerDate")), Qt::LeftButton);
    });
    EXPECT_EQ(QuickView::Run(nullptr, db, oid, 100), 101) << "the date opens the editor at the Date field";
    EXPECT_EQ(note, QStringLiteral("Rich note"));

    WithModal([](QDialog* view) { view->accept(); });
    EXPECT_EQ(QuickView::Run(nullptr, db, oid, 100), QuickView::kClosed);
    EXPECT_EQ(QuickView::Run(nullptr, db, 0x7FFFFFF0, 100), QuickView::kClosed) << "no entry, no page";
}

TEST_F(FindScreensTest, ContactsBarListsTheContactsAndDragsFromItsGrip)
{
    QWidget parent;
    parent.resize(240, 320);
    std::vector<int> moves;
    std::vector<QString> shown;
    // A skin of plain colours, so the menu's pixels can be told apart.
    Skin skin;
    skin.brush = QBrush(QColor(0, 160, 0));
    skin.menuText = RGB(200, 0, 0);
    skin.selectedText = RGB(0, 0, 220);
    ContactSplitter bar(&parent, skin, [&](int y) { moves.push_back(y); },
        [&](const DbAItem& contact) { shown.push_back(contact.GetName().ToQString()); });
    bar.setGeometry(0, 150, 240, 20);
    parent.show();

    ZJITEMS one = MakeEntry({ .contacts = { u"Ann Smith" } });
    EXPECT_EQ(bar.Load(one.GetItem(PROPID_CONTACTS)->GetBlob()), 1);
    bar.grab();
    EXPECT_TRUE(bar.ArrowRect().isEmpty()) << "one contact: no arrow";
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(shown, std::vector<QString>({ QStringLiteral("Ann Smith") }));

    ZJITEMS three = MakeEntry({ .contacts = { u"Ann", u"Bob", u"Cy" } });
    EXPECT_EQ(bar.Load(three.GetItem(PROPID_CONTACTS)->GetBlob()), 3);
    bar.grab();
    ASSERT_FALSE(bar.ArrowRect().isEmpty());
    QStringList listed;
    QImage drawn;
    QRect firstItem, secondItem;
    int itemHeight = 0;
    QTimer::singleShot(0, [&] {
        PumpUntil([&] { return bar.ContactMenu() != nullptr; }, 5000);
        QMenu* menu = bar.ContactMenu();
        ASSERT_TRUE(menu);
        for (QAction* item : menu->actions())
            listed << item->text();
        firstItem = menu->actionGeometry(menu->actions().at(0));
        secondItem = menu->actionGeometry(menu->actions().at(1));
        itemHeight = QFontMetrics(menu->font()).height() + 2;
        drawn = menu->grab().toImage();
        menu->actions().at(2)->trigger();
        menu->close();
    });
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ArrowRect().center());
    EXPECT_EQ(listed, QStringList({ "Ann", "Bob", "Cy" }));
    EXPECT_EQ(shown.back(), QStringLiteral("Cy"));
    // The menu is drawn like the bar: the skin's brush behind compact items,
    // the texts in the menu-text colour, a tick only by the shown contact.
    EXPECT_EQ(firstItem.height(), itemHeight);
    const auto pixels = [&](const QRect& area, QRgb colour) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += drawn.pixel(x, y) == colour;
        return count;
    };
    const QRgb green = qRgb(0, 160, 0), red = qRgb(200, 0, 0);
    EXPECT_GT(pixels(firstItem, green), firstItem.width() * firstItem.height() / 2);
    const QRect tick = QRect(firstItem.topLeft(), QSize(ContactMenuStyle::kTickRoom, firstItem.height()));
    EXPECT_GT(pixels(tick, red), 3) << "the shown contact is checked";
    EXPECT_EQ(pixels(tick.translated(0, secondItem.top() - firstItem.top()), red), 0);
    EXPECT_GT(pixels(firstItem.adjusted(ContactMenuStyle::kTickRoom, 0, 0, 0), red), 3) << "text in the skin's colour";

    // A drag from the grip reports positions in the parent; a press on the
    // name moves nothing.
    const int grip = bar.width() - 5;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(grip, 5));
    EXPECT_TRUE(bar.Dragging());
    QMouseEvent drag(QEvent::MouseMove, QPointF(grip, 45), bar.mapToGlobal(QPointF(grip, 45)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &drag);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(grip, 45));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves.back(), 190);
    EXPECT_FALSE(bar.Dragging());
    // Far beyond a 16-bit screen the position stays real, not negative.
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(grip, 0));
    QMouseEvent far(QEvent::MouseMove, QPointF(grip, 70000), bar.mapToGlobal(QPointF(grip, 70000)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &far);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(grip, 0));
    EXPECT_EQ(moves.back(), 70150);
}

// The main window: the preview follows the focused entry; with the pane off
// a tap opens the quick view, and a tapped field becomes the editor's field.
TEST(FindMainWindowTest, PreviewFollowsTheFocusAndTheQuickViewOpensTheEditorAtItsField)
{
    unsetenv("XDG_RUNTIME_DIR");
    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    ZWMain::SetIntegrityCheck([](DbKestrin&) { return true; });
    {
        DbKestrin journal;
        ASSERT_TRUE(journal.Open(nullptr));
        AddEntry(journal, { .subject = u"Older", .date = At(2020, 1, 1), .contacts = { u"Ann", u"Bob", u"Cy" },
            .note = WriteNote(u"older note", "<p>older <b>note</b></p>") });
        AddEntry(journal, { .subject = u"Newer", .date = At(2020, 1, 2), .note = WriteNote(u"newer note", "") });
    }
    {
        auto program = std::make_unique<ProgramObjects>();
        ASSERT_TRUE(program->app.InitInstance(1));
        ZWMain* main = program->app.MainWindow();
        main->MainWindow()->resize(240, 320);
        QTableView* view = main->List().View();
        auto pump = [] { PumpUntil([] { return false; }, 50); };
        pump();

        // Both views show the note at the editor's saved zoom.
        Settings(program->app).SetZoom(150);
        view->setCurrentIndex(view->model()->index(1, 1));
        pump();
        EXPECT_EQ(main->PreviewPane()->toPlainText(), QStringLiteral("older note"));
        EXPECT_DOUBLE_EQ(NoteInk::Of(*main->PreviewPane()).Scale(), 1.5);
        EXPECT_EQ(main->ContactBar()->Count(), 3);
        QTest::keyClick(view, Qt::Key_Up);
        pump();
        EXPECT_EQ(main->PreviewPane()->toPlainText(), QStringLiteral("newer note")) << "Up moves the preview";
        EXPECT_EQ(main->ContactBar()->Count(), 0);

        main->SendMessage(WM_COMMAND, CMD_PREVIEW_PANE, 0);
        // Taps the date once the quick view is up (it opens in its own loop).
        QTimer watch;
        watch.setInterval(20);
        qreal quickZoom = 0;
        QObject::connect(&watch, &QTimer::timeout, [&watch, &quickZoom] {
            if (auto* quick = QApplication::activeModalWidget()) {
                watch.stop();
                quickZoom = NoteInk::Of(*quick->findChild<QTextEdit*>(QStringLiteral("quickViewNote"))).Scale();
                QTest::mouseClick(quick->findChild<QLabel*>(QStringLiteral("headerDate")), Qt::LeftButton);
            }
        });
        watch.start();
        // The editor then opens at the date, with its time box in edit; the
        // test notes that and cancels it.
        QString inEdit;
        QTimer editorWatch;
        editorWatch.setInterval(20);
        QObject::connect(&editorWatch, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->findChild<QWidget*>(QStringLiteral("editorPages")))
                return;
            editorWatch.stop();
            if (auto* time = modal->findChild<QWidget*>(QStringLiteral("fieldTime")); time && time->isVisible())
                inEdit = time->objectName();
            qobject_cast<QDialog*>(modal)->reject();
        });
        editorWatch.start();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 1)).center());
        PumpUntil([&] { return !inEdit.isEmpty(); }, 5000);
        EXPECT_EQ(inEdit, QStringLiteral("fieldTime")) << "the date opens the editor at the Date field";
        EXPECT_DOUBLE_EQ(quickZoom, 1.5);
        EXPECT_EQ(program->selection.EditField(), 0u) << "the editor took the field";
        main->SendMessage(WM_CLOSE);
    }
    // Closing asked the message loop to end; a loop that runs and ends clears
    // that for the next test.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    ZWMain::SetIntegrityCheck({});
}

TEST_F(FindScreensTest, ALargeJournalWithoutIndexShowsTheBuildingOfItsIndex)
{
    {
        ObjectStoreTransaction batch;
        for (int n = 0; n < 2600; ++n)
            ASSERT_NE(WriteBareEntry(db, { .subject = u"Harbour visit", .date = At(2021, 3, 1) }), 0u);
        ASSERT_TRUE(batch.Commit());
    }
    db.InvalidateRows();
    ASSERT_FALSE(FindIndexReady(db));

    // The window is up before the work starts; its bar climbs to the end.
    QPointer<QProgressBar> bar;
    QString title;
    std::vector<int> positions;
    QTimer::singleShot(0, [&] {
        auto* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        title = window->windowTitle();
        bar = window->findChild<QProgressBar*>(QStringLiteral("progressBar"));
        ASSERT_TRUE(bar);
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { positions.push_back(value); });
    });
    EXPECT_TRUE(PrepareSearchIndex(nullptr, db));
    EXPECT_EQ(title, QStringLiteral("Find"));
    ASSERT_GE(positions.size(), 5u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 2560) << "every 256 records read";
    EXPECT_TRUE(FindIndexReady(db));
    EXPECT_EQ(FindEntries(db, { .by = FindBy::Subject, .text = u"harbour", .matchCase = false }).size(), 2600u);

    // With the index in step nothing is shown.
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
    EXPECT_TRUE(PrepareSearchIndex(nullptr, db));
    PumpAll();
    EXPECT_FALSE(shown);
}
