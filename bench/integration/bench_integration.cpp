// Timing of what the desktop integration costs the user:
//   hand-over, program running: kestrin-pim started (with an object id, and
//     with a contact file of the address book) until the program's window
//     has the PIM item message;
//   hand-over, program not running: kestrin-pim started until it has started
//     the program, found its window and posted the message (it exits then);
//   remote close on this computer: KillKestrin's command until the window
//     has gone.
// Each figure is the median of several runs, in milliseconds. The program
// runs offscreen in a data folder of its own.

#include "RemoteCloseCommand.h"
#include "WindowLink.h"
#include "WindowListener.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRuns = 7;
const WCHAR kClass[] = u"KSCLASS";
const WCHAR kTitle[] = u"Ozm Kestrin";

void Pump(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The contact file kestrin-pim is given, in the address book's folder.
std::string g_contactFile;

double HandOverToRunning(const std::string& arguments)
{
    std::atomic<bool> got = false;
    WindowListener listener([&](const IpcFrame& frame) {
        if (frame.message == KWM_PIMITEM)
            got = true;
    });
    listener.Listen(kClass, kTitle);
    QElapsedTimer timer;
    timer.start();
    std::thread host(
        [&] { std::system((std::string(KST_PIM) + " " + arguments + " >/dev/null 2>&1").c_str()); });
    Pump([&] { return got.load(); }, 10000);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    host.join();
    return got ? ms : -1;
}

double HandOverStartingTheProgram()
{
    QElapsedTimer timer;
    timer.start();
    const int status = std::system(KST_PIM " --kind contact --oid 1 >/dev/null 2>&1");
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    // Close the program again for the next run.
    if (HWND window = FindWindowW(kClass, kTitle)) {
        PostMessageW(window, KWM_CLOSE, 0, 0);
        while (FindWindowW(kClass, kTitle))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status == 0 ? ms : -1;
}

double RemoteCloseLocally()
{
    WindowListener* self = nullptr;
    WindowListener listener([&](const IpcFrame& frame) {
        if (frame.message == KWM_CLOSE)
            self->Close();
    });
    self = &listener;
    listener.Listen(kClass, kTitle);
    std::atomic<bool> finished = false;
    int result = -1;
    QElapsedTimer timer;
    timer.start();
    std::thread desktop([&] {
        result = RunRemoteClose({}, 30000).result;
        finished = true;
    });
    Pump([&] { return finished.load(); }, 30000);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    desktop.join();
    return result == 1 ? ms : -1;
}

void Report(const char* name, const std::function<double()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i)
        times.push_back(run());
    std::printf("%-45s %8.1f ms (median of %d; first %.1f ms)\n", name, Median(times), kRuns, times.front());
}

} // namespace

int main(int argc, char* argv[])
{
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "kestrin-bench-integration";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    setenv("KESTRIN_HOME", home.c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string path = std::string(KST_PROGRAM_DIR) + ":" + KST_RAPI_DIR + ":" + std::getenv("PATH");
    setenv("PATH", path.c_str(), 1);
    QCoreApplication application(argc, argv);

    g_contactFile = (home / "contacts" / "ann.vcf").string();
    std::filesystem::create_directories(home / "contacts");
    std::ofstream(g_contactFile)
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
           "ORG:Harbour Works\r\nEND:VCARD\r\n";
    Report("kestrin-pim, program running: message in",
        [] { return HandOverToRunning("--kind contact --oid 1"); });
    Report("kestrin-pim contact.vcf, program running",
        [] { return HandOverToRunning("'" + g_contactFile + "'"); });
    Report("kestrin-pim, program not running: posted", HandOverStartingTheProgram);
    Report("remote close on this computer", RemoteCloseLocally);
    std::filesystem::remove_all(home);
    return 0;
}
