#include "PimCommand.h"

#include "IntegrationExports.h"
#include "ProgramNames.h"
#include "UiHooks.h"
#include "WindowLink.h"

#include <csignal>
#include <cstdlib>
#include <string_view>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// How long a started program that outstayed the wait gets to end on
// SIGTERM before it is killed.
constexpr auto kTerminateGrace = std::chrono::milliseconds(2000);
constexpr auto kReapInterval = std::chrono::milliseconds(20);

bool IsExecutableFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

void ShowFailure(LPCWSTR text)
{
    MessageBoxW(nullptr, text, kProgramWindowTitle, MB_OK | MB_SETFOREGROUND);
}

// Starts `program` without arguments in a session of its own, so it
// outlives the host. 0 when it could not be started.
pid_t StartProgram(const std::filesystem::path& program)
{
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return 0;
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const std::string file = program.string();
    char* const argv[] = { const_cast<char*>(file.c_str()), nullptr };
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, file.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return failed == 0 ? pid : 0;
}

bool HasEnded(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// SIGTERM, then SIGKILL after the grace time; the process is reaped.
void EndProgram(pid_t pid)
{
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HasEnded(pid))
            return;
        std::this_thread::sleep_for(kReapInterval);
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// Waits for the started program's window. Null when it did not come.
HWND WaitForWindow(pid_t pid, const PimCommandWait& wait)
{
    for (int attempt = 0; attempt < wait.tries; ++attempt) {
        if (HWND window = FindWindowW(kProgramWindowClass, kProgramWindowTitle))
            return window;
        if (HasEnded(pid)) {
            // It may have ended because another copy won the race to start:
            // that copy's window is then the one to use.
            return FindWindowW(kProgramWindowClass, kProgramWindowTitle);
        }
        std::this_thread::sleep_for(wait.interval);
    }
    if (HWND window = FindWindowW(kProgramWindowClass, kProgramWindowTitle))
        return window;
    EndProgram(pid);
    return nullptr;
}

} // namespace

std::filesystem::path FindProgramFile()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = self.parent_path() / kProgramFileName;
        if (IsExecutableFile(beside))
            return beside;
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (folder.empty())
            continue;
        const std::filesystem::path candidate = std::filesystem::path(folder) / kProgramFileName;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

PimHandOver HandPimItem(DWORD kind, DWORD count, const DWORD* items, const PimCommandWait& wait)
{
    if (count == 0 || items == nullptr)
        return PimHandOver::Nothing;
    HWND window = FindWindowW(kProgramWindowClass, kProgramWindowTitle);
    if (!window) {
        const std::filesystem::path program = FindProgramFile();
        const pid_t pid = program.empty() ? 0 : StartProgram(program);
        if (pid == 0) {
            ShowFailure(kStartErrorText);
            return PimHandOver::StartFailed;
        }
        window = WaitForWindow(pid, wait);
        if (!window) {
            ShowFailure(kNotFoundText);
            return PimHandOver::NotFound;
        }
    }
    const WPARAM wParam
        = MAKEWPARAM(static_cast<WORD>(kind), static_cast<WORD>(count > 0xFFFF ? 0xFFFF : count));
    if (!PostMessageW(window, KWM_PIMITEM, wParam, static_cast<LPARAM>(items[0]))) {
        ShowFailure(kNotFoundText);
        return PimHandOver::NotFound;
    }
    SetForegroundWindow(window);
    return PimHandOver::Posted;
}

extern "C" void CePimCommand(HWND, DWORD kind, DWORD count, const DWORD* items, void*)
{
    HandPimItem(kind, count, items, PimCommandWait {});
}
