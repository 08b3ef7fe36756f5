// Times the entry tree, the Sort commands, the Show menu and the filter
// dialog on a journal of 100,000 entries (11 types, 10 companies, 3
// categories): filling the tree for each grouping field, opening a group of
// 10,000 entries, sorting by another field and reversing the direction (the
// list or tree shown again), opening the Show menu, and applying a filter
// from the dialog until the first page is painted.
// Run a Release build:  bench_tree [entries]
// Offscreen unless QT_QPA_PLATFORM says otherwise; the journal is built in a
// temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "BenchTiming.h"
#include "DbKestrin.h"
#include "EntryTree.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "ProgramObjects.h"
#include "Settings.h"
#include "ShowSortBar.h"
#include "UiHooks.h"
#include "ZWMain.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using bench::Clock;
using bench::Millis;
using bench::Time;

using bench::Print;

void Fill(int count)
{
    DbKestrin journal;
    if (!journal.Open(nullptr)) {
        std::fprintf(stderr, "cannot open the journal\n");
        std::exit(1);
    }
    const char16_t* categories[] = { u"Business", u"Personal", u"Travel" };
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        const std::string text = "Journal entry number " + std::to_string(n);
        const std::string company = "Company " + std::to_string(n % 10);
        ZJITEMS set = MakeEntry({ .subject = std::u16string(text.begin(), text.end()),
            .date = At(2000 + n % 9, 1 + n % 12, 1 + n % 28),
            .type = static_cast<SHORT>(n % TYPE_COUNT),
            .company = std::u16string(company.begin(), company.end()),
            .categories = { categories[n % 3] } });
        DbTmp::WriteRecord(journal, 0, &set);
    }
    transaction.Commit();
}

// Calls `act` once a modal dialog or pop-up menu is open, with the time it
// took to open.
void WhenOpen(std::function<QWidget*()> find, std::function<void(QWidget&)> act)
{
    auto* watch = new QTimer;
    watch->setInterval(0);
    QObject::connect(watch, &QTimer::timeout, [watch, find, act] {
        if (QWidget* widget = find()) {
            watch->stop();
            watch->deleteLater();
            act(*widget);
        }
    });
    watch->start();
}

} // namespace

int main(int argc, char* argv[])
{
    const int entries = bench::CountArgument(argc, argv, 100000);
    bench::DrawOffscreenUnlessChosen();
    const std::filesystem::path folder = bench::UseFreshDataFolder("tree");
    if (folder.empty())
        return 1;
    QApplication qt(argc, argv);
    RecordingUiHooks hooks;
    ScopedUiHooks installed(hooks);

    std::printf("building a journal of %d entries...\n", entries);
    std::printf("%-50s %8.0f ms\n", "fill (not a target)", Time([&] { Fill(entries); }));
    {
        ProgramObjects program;
        Settings settings(program.app);
        settings.SetUpgrade(false);
        program.app.InitInstance(1);
        ZWMain& main = *program.app.MainWindow();
        main.MainWindow()->resize(240, 320);
        QApplication::processEvents();
        EntryTree& tree = main.Tree();

        // The first sort command builds the journal's index of facts.
        std::printf("%-50s %8.1f ms\n", "first sort command (by type), tree shown",
            Time([&] {
                main.SendMessage(WM_COMMAND, MAKEWPARAM(105, KCMD_SORTBY), 0);
                main.MainWindow()->grab();
            }));
        std::vector<double> fills;
        for (DWORD field : { PROPID_TYPE, PROPID_PRIORITY, PROPID_SENSITIVITY, PROPID_COMPANY, PROPID_CATEGORIES,
                 PROPID_CONTACTS }) {
            settings.SetSortType(field);
            fills.push_back(Time([&] { tree.Fill(); }));
        }
        Print("fill the tree (each grouping field)", fills, "< 500 ms");

        settings.SetSortType(PROPID_COMPANY);
        tree.Fill();
        std::vector<double> opens;
        for (int round = 0; round < 5; ++round) {
            QTreeWidgetItem* group = tree.View()->topLevelItem(round % tree.View()->topLevelItemCount());
            opens.push_back(Time([&] {
                group->setExpanded(true);
                tree.View()->grab();
            }));
            if (round == 0)
                std::printf("entries in the group opened: %d\n", group->childCount());
            group->setExpanded(false);
        }
        Print("open a group of 10,000 (read, sort, show)", opens, "< 200 ms");

        std::vector<double> sorts;
        for (WORD field : { 111, 102, 104, 101, 105 })
            sorts.push_back(Time([&] {
                main.SendMessage(WM_COMMAND, MAKEWPARAM(field, KCMD_SORTBY), 0);
                main.MainWindow()->grab();
            }));
        Print("sort by another field, shown", sorts, "< 1500 ms");
        std::vector<double> reverses;
        for (int round = 0; round < 4; ++round)
            reverses.push_back(Time([&] {
                main.SendMessage(WM_COMMAND, MAKEWPARAM(ShowSortBar::kBarId, KCMD_REVERSE), 0);
                main.MainWindow()->grab();
            }));
        Print("Ascending (reverse the direction), shown", reverses, "< 1500 ms");

        std::vector<double> menus;
        for (int round = 0; round < 5; ++round) {
            const auto start = Clock::now();
            WhenOpen([] { return QApplication::activePopupWidget(); },
                [&](QWidget& menu) {
                    menus.push_back(Millis(Clock::now() - start));
                    menu.close();
                });
            main.SortBar().OpenShowMenu();
        }
        Print("the Show menu opens", menus, "< 50 ms");

        // Back to the list, then a filter on March from the dialog.
        main.SendMessage(WM_COMMAND, MAKEWPARAM(101, KCMD_SORTBY), 0);
        std::vector<double> filters;
        for (int round = 0; round < 4; ++round) {
            Clock::time_point accepted;
            WhenOpen([] { return QApplication::activeModalWidget(); },
                [&, round](QWidget& dialog) {
                    dialog.findChild<QRadioButton*>(QStringLiteral("filterMonths"))->click();
                    auto* months = dialog.findChild<QListWidget*>(QStringLiteral("filterMonthList"));
                    months->item(2 + round % 2)->setCheckState(Qt::Checked);
                    months->item(3 - round % 2)->setCheckState(Qt::Unchecked);
                    accepted = Clock::now();
                    qobject_cast<QDialog*>(&dialog)->accept();
                });
            main.SendMessage(WM_COMMAND, MAKEWPARAM(CMD_FILTER, 0), 0);
            QApplication::processEvents();
            main.List().View()->grab();
            filters.push_back(Millis(Clock::now() - accepted));
        }
        std::printf("%-50s %8.1f ms   (target < 500 ms)\n", "filter from the dialog, first page (first)", filters[0]);
        filters.erase(filters.begin());
        Print("filter from the dialog, first page (after)", filters, "< 50 ms");
        std::printf("rows passing the filter: %d\n", main.List().Model().Rows());
        main.SendMessage(WM_CLOSE);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
