// The Show and Sort bar and the filter dialog in the running program: what
// each sort field does to the journal, the view and the settings; the
// direction; the Show label; the Show menu's guards; the filter surviving a
// restart after the bar and after the dialog; whole-day ranges; refills of
// the dialog's category list.

#include "MainWinFixture.h"

#include "DbCats.h"
#include "FilterDialog.h"
#include "JournalSort.h"
#include "RunningProgramTest.h"
#include "Settings.h"
#include "ShowSortBar.h"
#include "ZWMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

class ShowSortTest : public RunningProgramTest {
protected:
    ZFilter SavedFilter()
    {
        TestStore store;
        ZFilter filter;
        filter.LoadFilter(store, Settings::kOptionsName);
        return filter;
    }
    // Runs `act` on the modal dialog as soon as it is open.
    void WhenDialogOpens(std::function<void(QDialog&)> act)
    {
        QTimer::singleShot(0, [act] {
            PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
            act(*qobject_cast<QDialog*>(QApplication::activeModalWidget()));
        });
    }
    // Runs `act` on the pop-up menu as soon as one is open, then closes it
    // (if `act` chose nothing).
    void WhenMenuOpens(std::function<void(QMenu&)> act)
    {
        menuWatch = std::make_unique<QTimer>();
        menuWatch->setInterval(20);
        QObject::connect(menuWatch.get(), &QTimer::timeout, [this, act] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menuWatch->stop();
                act(*menu);
                menu->close();
            }
        });
        menuWatch->start();
    }
    SORTORDERSPEC FirstKey()
    {
        SORTORDERSPEC orders[CEDB_MAXSORTORDER] {};
        EXPECT_GT(TheJournal().GetSortOrders(orders), 0);
        return orders[0];
    }

    std::unique_ptr<QTimer> menuWatch;
};

TEST_F(ShowSortTest, EachSortFieldSetsOrderViewAndGroupingField)
{
    AddToJournal({ .subject = u"Visit", .date = At(2006, 3, 1), .type = 5, .company = u"Acme" });
    Start();
    struct Case {
        WORD id;
        CEPROPID key;
        bool caseInsensitive;
        bool tree;
        DWORD sortType; // 0: left as it was
    };
    const Case cases[] = {
        { 105, PROPID_TYPE, false, true, PROPID_TYPE },
        { 111, PROPID_COMPANY, true, true, PROPID_COMPANY },
        { 104, PROPID_DATE, false, true, PROPID_CATEGORIES },
        { 110, PROPID_DATE, false, true, PROPID_CONTACTS },
        { 108, PROPID_SENSITIVITY, false, true, PROPID_SENSITIVITY },
        { 107, PROPID_PRIORITY, false, true, PROPID_PRIORITY },
        { 102, PROPID_SUBJECT, true, false, PROPID_SUBJECT },
        { 101, PROPID_DATE, false, false, 0 },
        { 109, PROPID_DATE, false, false, PROPID_DURATION },
        { 103, PROPID_DATE, false, false, 0 },
        { 4242, PROPID_DATE, false, false, 0 },
    };
    Settings settings(program->app);
    for (const Case& c : cases) {
        const DWORD before = settings.SortType();
        const bool descending = (FirstKey().dwFlags & CEDB_SORT_DESCENDING) != 0;
        main->SendMessage(WM_COMMAND, MAKEWPARAM(c.id, ShowSortBar::kSortCode), 0);
        const SORTORDERSPEC key = FirstKey();
        EXPECT_EQ(key.propid, c.key) << c.id;
        EXPECT_EQ((key.dwFlags & CEDB_SORT_CASEINSENSITIVE) != 0, c.caseInsensitive) << c.id;
        EXPECT_EQ((key.dwFlags & CEDB_SORT_DESCENDING) != 0, descending) << c.id;
        EXPECT_EQ(main->TreeViewOn(), c.tree) << c.id;
        EXPECT_EQ(settings.TreeView(), c.tree) << c.id;
        EXPECT_EQ(main->Tree().GetHandle()->isHidden(), !c.tree) << c.id;
        EXPECT_EQ(main->List().GetHandle()->isHidden(), c.tree) << c.id;
        EXPECT_EQ(settings.SortType(), c.sortType != 0 ? c.sortType : before) << c.id;
    }

    // Ascending flips the direction and keeps the field.
    main->SendMessage(WM_COMMAND, MAKEWPARAM(105, ShowSortBar::kSortCode), 0);
    const bool descending = JournalDescending(TheJournal());
    main->SendMessage(WM_COMMAND, MAKEWPARAM(ShowSortBar::kBarId, ShowSortBar::kReverseCode), 0);
    EXPECT_EQ(JournalDescending(TheJournal()), !descending);
    EXPECT_EQ(FirstKey().propid, PROPID_TYPE);

    // The view and the grouping are there again after a restart.
    Stop();
    Start();
    EXPECT_TRUE(main->TreeViewOn());
    EXPECT_FALSE(main->Tree().GetHandle()->isHidden());
    EXPECT_EQ(main->Tree().View()->topLevelItemCount(), 1);
}

TEST_F(ShowSortTest, SortMenuChoosesAFieldAndShowsItsLabel)
{
    AddToJournal({ .subject = u"Visit", .date = At(2006, 3, 1), .company = u"Acme" });
    Start();
    EXPECT_EQ(main->SortBar().SortLabel(), QStringLiteral("Date"));
    WhenMenuOpens([](QMenu& menu) {
        QAction* company = menu.findChild<QAction*>(QStringLiteral("sortField111"));
        ASSERT_NE(company, nullptr);
        EXPECT_TRUE(menu.findChild<QAction*>(QStringLiteral("sortField101"))->isChecked());
        EXPECT_EQ(menu.findChild<QAction*>(QStringLiteral("sortField109")), nullptr); // not sortable
        menu.setActiveAction(company);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    main->SortBar().OpenSortMenu();
    EXPECT_EQ(main->SortBar().SortLabel(), QStringLiteral("Company"));
    EXPECT_EQ(Settings(program->app).SortBy(), 111);
    EXPECT_TRUE(main->TreeViewOn());
    ASSERT_EQ(main->Tree().View()->topLevelItemCount(), 1);
    EXPECT_EQ(main->Tree().View()->topLevelItem(0)->text(0), QStringLiteral("Acme"));
}

TEST_F(ShowSortTest, ShowLabelDescribesTheFilter)
{
    ZFilter filter;
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("All"));
    filter.SetActive(TRUE);
    filter.SetByRange(TRUE);
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("Range..."));
    filter.SetByRange(FALSE);
    filter.SetMonths(MonthBit(3));
    const QString march = QStringLiteral("March");
    EXPECT_EQ(ShowSortBar::FilterDescription(filter).toLower(), march.toLower());
    filter.SetMonths(MonthBit(3) | MonthBit(5));
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("Months..."));
    filter.SetMonths(0);
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("All"));
    filter.AddCategory(DbCItem(0, u"Business"));
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("Multiple..."));
    filter.SetByCatsOnly(TRUE);
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("Business"));
    filter.AddCategory(DbCItem(0, u"Personal"));
    EXPECT_EQ(ShowSortBar::FilterDescription(filter), QStringLiteral("Multiple..."));
}

TEST_F(ShowSortTest, BarCategoryIsSavedAndGuarded)
{
    AddToJournal({ .subject = u"Lunch", .date = At(2006, 3, 1), .categories = { u"Business" } });
    AddToJournal({ .subject = u"Walk", .date = At(2006, 3, 2), .categories = { u"Personal" } });
    Start();
    ShowSortBar& bar = main->SortBar();
    const std::vector<ShowSortBar::MenuCategory> offered = ShowSortBar::MenuCategories();
    ASSERT_EQ(offered.size(), 2u);

    // One id past the categories listed and an empty name change nothing.
    bar.SetShowLabel(ShowSortBar::kFirstCategoryCommand + 2, 2, QStringLiteral("Business"));
    bar.SetShowLabel(ShowSortBar::kFirstCategoryCommand, 2, QString());
    EXPECT_FALSE(TheJournal().GetFilter().IsActive());
    EXPECT_EQ(bar.ShowLabel(), QStringLiteral("All"));

    // A category from the menu filters, is described, and is saved.
    WhenMenuOpens([](QMenu& menu) {
        QAction* business = nullptr;
        for (QAction* action : menu.actions())
            if (action->text() == QStringLiteral("Business"))
                business = action;
        ASSERT_NE(business, nullptr);
        menu.setActiveAction(business);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    bar.OpenShowMenu();
    EXPECT_EQ(bar.ShowLabel(), QStringLiteral("Business"));
    PumpAll();
    EXPECT_EQ(TheJournal().GetRecCount(KIND_ENTRY), 1u);
    const ZFilter saved = SavedFilter();
    EXPECT_TRUE(saved.IsActive());
    EXPECT_TRUE(saved.IsByCatsOnly());
    ASSERT_EQ(saved.GetCategories().Count(), 1u);
    EXPECT_NE(saved.FindCat(u"Business"), nullptr);

    // After a restart the filter and its label are there.
    Stop();
    Start();
    EXPECT_EQ(main->SortBar().ShowLabel(), QStringLiteral("Business"));
    EXPECT_EQ(TheJournal().GetRecCount(KIND_ENTRY), 1u);
}

TEST_F(ShowSortTest, DialogRangeCoversWholeDaysAndIsSaved)
{
    // An all-day item at midnight of the first day.
    AddToJournal({ .subject = u"Holiday", .date = At(2026, 7, 1, 0, 0) });
    AddToJournal({ .subject = u"Later", .date = At(2026, 7, 9) });
    Start();
    WhenDialogOpens([](QDialog& dialog) {
        auto* start = dialog.findChild<QDateEdit*>(QStringLiteral("filterStart"));
        auto* end = dialog.findChild<QDateEdit*>(QStringLiteral("filterEnd"));
        ASSERT_NE(start, nullptr);
        // A filter never saved is by months; the user picks the range.
        dialog.findChild<QAbstractButton*>(QStringLiteral("filterRange"))->click();
        end->setDate(QDate(2026, 7, 5));
        start->setDate(QDate(2026, 7, 1));
        dialog.accept();
    });
    main->SendMessage(WM_COMMAND, MAKEWPARAM(CMD_FILTER, 0), 0);
    PumpAll();
    const ZFilter& filter = TheJournal().GetFilter();
    EXPECT_TRUE(filter.IsActive());
    EXPECT_TRUE(filter.IsByRange());
    EXPECT_EQ(filter.GetStart().Ticks(), At(2026, 7, 1, 0, 0));
    EXPECT_EQ(filter.GetEnd().Ticks(), At(2026, 7, 5, 23, 59) + 59 * ZTime::kTicksPerSecond);
    EXPECT_EQ(TheJournal().GetRecCount(KIND_ENTRY), 1u);
    EXPECT_EQ(main->SortBar().ShowLabel(), QStringLiteral("Range..."));

    // Saved as the dialog closed: the same filter after a restart.
    Stop();
    Start();
    EXPECT_EQ(TheJournal().GetFilter().GetStart().Ticks(), At(2026, 7, 1, 0, 0));
    EXPECT_EQ(TheJournal().GetRecCount(KIND_ENTRY), 1u);
}

// Saves `widget` as <KST_SCREENSHOT_DIR>/<name>.png when that folder is set
// (to look at the screens under a real display).
void Keep(QWidget& widget, const QString& name)
{
    if (const char* folder = std::getenv("KST_SCREENSHOT_DIR"))
        widget.grab().save(QString::fromLocal8Bit(folder) + u'/' + name + QStringLiteral(".png"));
}

TEST_F(ShowSortTest, BarButtonsFitAHandheldAndGrowOnADesktop)
{
    AddToJournal({ .subject = u"Lunch with Ann", .date = At(2006, 3, 1), .type = 5, .company = u"Acme",
        .categories = { u"Business" } });
    AddToJournal({ .subject = u"Call the bank", .date = At(2006, 3, 2), .type = 7, .categories = { u"Personal" } });
    AddToJournal({ .subject = u"Notes", .date = At(2006, 3, 3), .type = 6 });
    Start();
    main->SendMessage(WM_COMMAND, MAKEWPARAM(105, ShowSortBar::kSortCode), 0);
    main->Tree().View()->topLevelItem(1)->setExpanded(true);
    int widths[2] = {};
    int round = 0;
    for (QSize size : { QSize(240, 320), QSize(1024, 768) }) {
        main->MainWindow()->resize(size);
        main->MainWindow()->show();
        PumpAll();
        const QString suffix = QStringLiteral("-%1x%2").arg(size.width()).arg(size.height());
        QAbstractButton* show = main->SortBar().ShowButton();
        QAbstractButton* sort = main->SortBar().SortButton();
        const int barWidth = main->Bar()->width();
        // Each button takes half the bar less 20 pixels; neither leaves it.
        EXPECT_EQ(show->width(), (barWidth - 40) / 2);
        EXPECT_LE(sort->geometry().right(), barWidth);
        EXPECT_LT(show->geometry().right(), sort->geometry().left());
        widths[round++] = show->width();
        Keep(*main->MainWindow(), QStringLiteral("tree") + suffix);
        WhenMenuOpens([&](QMenu& menu) { Keep(menu, QStringLiteral("showmenu") + suffix); });
        main->SortBar().OpenShowMenu();
        WhenMenuOpens([&](QMenu& menu) { Keep(menu, QStringLiteral("sortmenu") + suffix); });
        main->SortBar().OpenSortMenu();
        WhenDialogOpens([&](QDialog& dialog) {
            Keep(dialog, QStringLiteral("filter") + suffix);
            // The dialog covers the window and never sticks out of it.
            EXPECT_LE(dialog.width(), main->MainWindow()->width());
            dialog.reject();
        });
        main->SendMessage(WM_COMMAND, MAKEWPARAM(CMD_FILTER, 0), 0);
    }
    EXPECT_GT(widths[1], 3 * widths[0]);
}

class FilterDialogTest : public MainWinTest {
protected:
    FilterDialogTest() { owner.Create({}, {}, nullptr); }
    CommandSink owner;
};

TEST_F(FilterDialogTest, StartAfterEndMovesOnlyTheEndsDate)
{
    journal.GetFilter().SetStart(ZTime(At(2026, 3, 10, 8, 0)));
    journal.GetFilter().SetEnd(ZTime(At(2026, 3, 12, 8, 0)));
    FilterDialog dialog(journal, &owner);
    QTimer::singleShot(0, [&] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QDialog& window = *dialog.Dialog();
        // Opening puts the range on whole days.
        EXPECT_EQ(dialog.Working().GetStart().Ticks(), At(2026, 3, 10, 0, 0));
        window.findChild<QDateEdit*>(QStringLiteral("filterStart"))->setDate(QDate(2026, 3, 20));
        EXPECT_EQ(window.findChild<QDateEdit*>(QStringLiteral("filterEnd"))->date(), QDate(2026, 3, 20));
        window.accept();
    });
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(journal.GetFilter().GetStart().Ticks(), At(2026, 3, 20, 0, 0));
    EXPECT_EQ(journal.GetFilter().GetEnd().Ticks(), At(2026, 3, 20, 23, 59) + 59 * ZTime::kTicksPerSecond);
    PumpAll();
    EXPECT_EQ(owner.With(FilterDialog::kCmdSaveFilter).size(), 1u);
}

TEST_F(FilterDialogTest, RefillsKeepTheFilterAndClearEmptiesIt)
{
    journal.GetFilter().AddCategory(DbCItem(0, u"Business"));
    FilterDialog dialog(journal, &owner);
    QTimer::singleShot(0, [&] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QDialog& window = *dialog.Dialog();
        auto* list = window.findChild<QListWidget*>(QStringLiteral("filterCategoryList"));
        ASSERT_NE(list, nullptr);
        ASSERT_GT(list->count(), 1);
        // A new category reaches the dialog as a change of the database: the
        // refill checks "Business" again without adding it twice or
        // touching the others.
        DbCats categories;
        ASSERT_TRUE(categories.Open(nullptr));
        TSList<DbCItem> record;
        DbCats::Initialize(&record);
        record.First()->SetStrValue(u"Travel");
        EXPECT_NE(categories.Write(0, &record), 0u);
        categories.Close();
        for (DbCItem* item = record.First(); item; item = record.Next())
            delete item;
        dialog.RefillCategories();
        PumpAll();
        EXPECT_EQ(dialog.Working().GetCategories().Count(), 1u);
        EXPECT_NE(dialog.Working().FindCat(u"Business"), nullptr);
        // The user's own check mark does change it.
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->text() == QStringLiteral("Personal"))
                list->item(row)->setCheckState(Qt::Checked);
        EXPECT_EQ(dialog.Working().GetCategories().Count(), 2u);
        dialog.RefillCategories();
        EXPECT_EQ(dialog.Working().GetCategories().Count(), 2u);

        // "Categories Only" disables the date items; Clear makes the filter inactive.
        auto* catsOnly = window.findChild<QCheckBox*>(QStringLiteral("filterCategoriesOnly"));
        catsOnly->click();
        EXPECT_FALSE(window.findChild<QDateEdit*>(QStringLiteral("filterStart"))->isEnabled());
        window.findChild<QAbstractButton*>(QStringLiteral("filterClear"))->click();
        EXPECT_FALSE(dialog.Working().IsActive());
        EXPECT_EQ(dialog.Working().GetCategories().Count(), 0u);
        window.accept();
    });
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_FALSE(journal.GetFilter().IsActive());
}

} // namespace
