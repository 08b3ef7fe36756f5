#include "RemoteCloseCommand.h"

#include "OzmUtil.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kErrorFileNotFound = 2;
constexpr int kErrorInvalidData = 13;
constexpr int kErrorTimeout = 1460;
constexpr int kFailWithoutCode = static_cast<int>(0x80004005u);
// What is kept of each output stream; the report needs five bytes.
constexpr std::size_t kKeptBytes = 4096;
constexpr char kRapiName[] = "kestrin-rapi";

// The kestrin-rapi to run on this computer: beside this library (or in
// ../bin from it), else the bare name for PATH.
std::string LocalRapi()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&KillKestrin), &info) && info.dli_fname) {
        const std::filesystem::path folder = std::filesystem::path(info.dli_fname).parent_path();
        for (const std::filesystem::path& candidate :
            { folder / kRapiName, folder / ".." / "bin" / kRapiName })
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
    }
    return kRapiName;
}

struct CommandOutput {
    bool started = false;
    int startError = 0;
    bool timedOut = false;
    int status = 0; // the wait status
    std::string out;
    std::string err;
};

void Keep(std::string& kept, const char* bytes, std::size_t size)
{
    if (kept.size() < kKeptBytes)
        kept.append(bytes, std::min(size, kKeptBytes - kept.size()));
}

// Runs `words` with its output and error output read into memory, for at
// most `timeoutMs`; a command still running then is killed.
CommandOutput RunCommand(const std::vector<std::string>& words, int timeoutMs)
{
    CommandOutput output;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return output;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return output;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        output.startError = spawned;
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return output;
    }
    output.started = true;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            output.timedOut = true;
            break;
        }
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[1024];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                Keep(i == 0 ? output.out : output.err, buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    if (output.timedOut)
        ::kill(pid, SIGKILL);
    while (::waitpid(pid, &output.status, 0) < 0 && errno == EINTR) { }
    return output;
}

std::string Trimmed(std::string text)
{
    while (!text.empty()
        && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

// The code and text of kestrin-rapi's "kestrin-rapi: error N: TEXT" line;
// code 0 when there is none.
long ReportedError(const std::string& err, std::string& text)
{
    static const std::string marker = "kestrin-rapi: error ";
    const std::size_t at = err.rfind(marker);
    if (at == std::string::npos)
        return 0;
    const char* digits = err.c_str() + at + marker.size();
    char* end = nullptr;
    const long code = std::strtol(digits, &end, 10);
    if (end == digits)
        return 0;
    std::string rest(end);
    if (rest.rfind(": ", 0) == 0)
        rest.erase(0, 2);
    text = Trimmed(rest.substr(0, rest.find('\n')));
    return code;
}

RemoteCloseResult Failure(int code, std::string text)
{
    return { code, std::move(text) };
}

} // namespace

std::vector<std::string> RemoteClosePrefix()
{
    std::vector<std::string> words;
    const char* prefix = std::getenv("KESTRIN_RAPI_PREFIX");
    std::istringstream split(prefix ? prefix : "");
    for (std::string word; split >> word;)
        words.push_back(word);
    return words;
}

int ReadCloseReport(const std::string& output, std::string& errorText)
{
    if (output.size() < 4) {
        errorText = "The handheld's report was cut short (" + std::to_string(output.size()) + " bytes)";
        return kErrorInvalidData;
    }
    const auto byte = [&output](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(output[i]));
    };
    const std::uint32_t length = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
    if (length != 1) {
        errorText = "The handheld's report has a length of " + std::to_string(length) + " bytes instead of 1";
        return kErrorInvalidData;
    }
    if (output.size() < 5) {
        errorText = "The handheld's report lacks its flag byte";
        return kErrorInvalidData;
    }
    const unsigned flag = byte(4);
    if (flag > 1) {
        errorText = "The handheld's report has the unknown flag " + std::to_string(flag);
        return kErrorInvalidData;
    }
    return static_cast<int>(flag);
}

RemoteCloseResult RunRemoteClose(const std::vector<std::string>& prefix, int timeoutMs)
{
    std::vector<std::string> words = prefix;
    words.push_back(prefix.empty() ? LocalRapi() : kRapiName);
    words.push_back("kstdata");
    words.push_back("KillKestrin");
    const CommandOutput output = RunCommand(words, timeoutMs);
    if (!output.started) {
        const int error = output.startError;
        return Failure(kErrorFileNotFound,
            "The command " + words.front()
                + " could not be started: " + (error ? std::strerror(error) : "no pipe"));
    }
    if (output.timedOut)
        return Failure(kErrorTimeout,
            "The handheld did not answer within " + std::to_string(timeoutMs / 1000) + " seconds");
    const bool exitedCleanly = WIFEXITED(output.status) && WEXITSTATUS(output.status) == 0;
    if (!exitedCleanly) {
        std::string text;
        const long code = ReportedError(output.err, text);
        if (code != 0)
            return Failure(static_cast<int>(code), text);
        const std::string reason = WIFEXITED(output.status)
            ? "ended with status " + std::to_string(WEXITSTATUS(output.status))
            : "was stopped by signal " + std::to_string(WTERMSIG(output.status));
        const std::string said = Trimmed(output.err);
        return Failure(kFailWithoutCode,
            "The command " + words.front() + " " + reason + (said.empty() ? "" : ": " + said));
    }
    std::string text;
    const int result = ReadCloseReport(output.out, text);
    return { result, text };
}

std::string RemoteCloseMessage(int code, const std::string& text)
{
    char number[16];
    std::snprintf(number, sizeof number, "%X", static_cast<unsigned>(code));
    return "Error " + std::string(number) + "\n" + text + ".";
}
