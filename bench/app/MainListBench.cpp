// Times the main list on a journal of 100,000 entries (a tenth of them
// dated 2009, the rest 2000..2008): the program's start up to the first
// painted page, jumps between the top, the end and pages in between, and
// opening the list with a filter that passes the 2009 entries.
// Run a Release build:  bench_app [entries]
// Offscreen unless QT_QPA_PLATFORM says otherwise; the journal is built in a
// temporary data folder that is removed at the end.

#include "BenchHome.h"
#include "BenchTiming.h"
#include "DbKestrin.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "MainList.h"
#include "ObjectStore.h"
#include "ProgramObjects.h"
#include "ProgramText.h"
#include "Settings.h"
#include "UiHooks.h"
#include "WindowLink.h"
#include "ZTime.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using bench::Clock;
using bench::Millis;
using bench::Time;

using bench::Print;

ULONGLONG DateIn(int year, std::mt19937& random)
{
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(1 + random() % 12);
    time.wDay = static_cast<WORD>(1 + random() % 28);
    time.wHour = static_cast<WORD>(random() % 24);
    time.wMinute = static_cast<WORD>(random() % 60);
    return ZTime(time).Ticks();
}

// Writes `count` entries straight into the record database (date, subject,
// type, company): a tenth dated 2009.
void Fill(int count)
{
    DbKestrin journal;
    if (!journal.Open(nullptr)) {
        std::fprintf(stderr, "cannot open the journal\n");
        std::exit(1);
    }
    std::mt19937 random(7);
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        const std::string text = "Journal entry number " + std::to_string(n);
        const std::u16string subject(text.begin(), text.end());
        const ULONGLONG date = DateIn(n % 10 == 0 ? 2009 : 2000 + static_cast<int>(random() % 9), random);
        WriteBareEntry(journal,
            { .subject = subject,
                .date = date,
                .type = static_cast<SHORT>(n % TYPE_COUNT),
                .company = u"Company" });
    }
    transaction.Commit();
}

// Paints the list now, as the screen would show it (the view asks for its
// rows as it paints).
void Paint(QTableView* view)
{
    view->grab();
}

// Starts the program on the journal of the current data folder, then times
// closing its window the way the user does (the close arrives as an event and
// the program runs until its loop ends), several times.
void TimeClose(const char* what)
{
    std::vector<double> samples;
    for (int round = 0; round < 5; ++round) {
        ProgramObjects program;
        Settings(program.app).SetUpgrade(false);
        program.app.InitInstance(1);
        QWidget* window = program.app.MainWindow()->GetHandle();
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        QTimer::singleShot(0, window, [window] { window->close(); });
        program.app.Run();
        samples.push_back(Millis(Clock::now() - start));
    }
    Print(what, samples, "< 200 ms");
}

// Starts the program itself on an empty journal and times, from the moment
// another process asks its window to close (message 1023, as the installer
// does) until the program has ended.
void TimeProgramClose()
{
    std::vector<double> samples;
    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            execl(KESTRIN_PROGRAM, KESTRIN_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
        HWND window = nullptr;
        for (int wait = 0; wait < 500 && !window; ++wait) {
            window = FindWindowW(kWindowClass, kWindowTitle);
            if (!window)
                usleep(10000);
        }
        if (!window) {
            std::fprintf(stderr, "the program did not start\n");
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            return;
        }
        const auto start = Clock::now();
        PostMessageW(window, KWM_CLOSE, 0, 0);
        waitpid(child, nullptr, 0);
        samples.push_back(Millis(Clock::now() - start));
    }
    Print("close the program (empty journal), to its end", samples, "< 200 ms");
}

} // namespace

int main(int argc, char* argv[])
{
    const int entries = bench::CountArgument(argc, argv, 100000);
    bench::DrawOffscreenUnlessChosen();
    const std::filesystem::path folder = bench::UseFreshDataFolder("app");
    if (folder.empty())
        return 1;
    QApplication qt(argc, argv);
    RecordingUiHooks hooks;
    ScopedUiHooks installed(hooks);

    {
        // The first start of a new user: an empty journal in a folder of its own.
        const std::string empty = (folder / "empty").string();
        setenv("KESTRIN_HOME", empty.c_str(), 1);
        TimeClose("close the window (empty journal)");
        TimeProgramClose();
        setenv("KESTRIN_HOME", folder.c_str(), 1);
    }

    std::printf("building a journal of %d entries...\n", entries);
    std::printf("%-46s %8.0f ms\n", "fill (not a target)", Time([&] { Fill(entries); }));

    {
        ProgramObjects program;
        Settings(program.app).SetUpgrade(false);
        QTableView* view = nullptr;
        const double start = Time([&] {
            program.app.InitInstance(1);
            view = program.app.MainWindow()->List().View();
            Paint(view);
        });
        std::printf("%-46s %8.1f ms   (target < 1000 ms)\n", "start to the first painted page", start);
        MainList& list = program.app.MainWindow()->List();
        std::printf("rows shown: %d, last row's subject: %s\n", list.Model().Rows(),
            qPrintable(list.Model().index(list.Model().Rows() - 1, 1).data().toString()));

        std::vector<double> toEnd;
        std::vector<double> toTop;
        std::vector<double> anywhere;
        std::mt19937 random(3);
        QScrollBar* bar = view->verticalScrollBar();
        for (int round = 0; round < 20; ++round) {
            toEnd.push_back(Time([&] {
                bar->setValue(bar->maximum());
                Paint(view);
            }));
            toTop.push_back(Time([&] {
                bar->setValue(0);
                Paint(view);
            }));
            anywhere.push_back(Time([&] {
                bar->setValue(static_cast<int>(random() % static_cast<unsigned>(bar->maximum())));
                Paint(view);
            }));
        }
        Print("jump to the end, page painted", toEnd, "< 20 ms");
        Print("jump to the top, page painted", toTop, "< 20 ms");
        Print("jump to a random page (uncached), painted", anywhere, "< 20 ms");

        ZFilter& filter = program.journal.GetFilter();
        filter.SetByRange(1);
        SYSTEMTIME from {};
        from.wYear = 2009;
        from.wMonth = 1;
        from.wDay = 1;
        SYSTEMTIME to = from;
        to.wMonth = 12;
        to.wDay = 31;
        to.wHour = 23;
        filter.SetStart(ZTime(from));
        filter.SetEnd(ZTime(to));
        std::vector<double> filtered;
        for (int round = 0; round < 5; ++round) {
            filter.SetActive(round % 2 == 0 ? 1 : 0);
            const double took = Time([&] {
                list.Refresh();
                Paint(view);
            });
            if (round % 2 == 0)
                filtered.push_back(took);
        }
        filter.SetActive(1);
        list.Refresh();
        std::printf("rows passing the filter: %d\n", list.Model().Rows());
        Print("open the list with a 10% filter", filtered, "< 500 ms");
        // The same from a cold journal: the first filtered refresh after start.
        filter.SaveFilter(program.app, u"Options");
        program.app.MainWindow()->SendMessage(WM_CLOSE);
    }
    {
        ProgramObjects program;
        const double start = Time([&] {
            program.app.InitInstance(1);
            Paint(program.app.MainWindow()->List().View());
        });
        std::printf("%-46s %8.1f ms   (rows %d)\n", "start with the 10% filter saved", start,
            program.app.MainWindow()->List().Model().Rows());
        program.app.MainWindow()->SendMessage(WM_CLOSE);
    }
    TimeClose("close the window (full journal)");
    std::filesystem::remove_all(folder);
    return 0;
}
