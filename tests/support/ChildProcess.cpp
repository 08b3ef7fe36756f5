#include "ChildProcess.h"

#include <algorithm>
#include <exception>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// Returns "" when the child may go on.
std::string TakeRights(ChildRights rights)
{
    if (rights == ChildRights::OrdinaryUser) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            return "cannot drop root rights";
        return {};
    }
    if (::unshare(CLONE_NEWNS) != 0)
        return kNoMount;
    // Mounts made here must not reach the test's own namespace.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return kNoMount;
    return {};
}

} // namespace

std::string InChildProcess(ChildRights rights, const std::function<std::string()>& work)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return "no pipe";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string result = TakeRights(rights);
        try {
            if (result.empty())
                result = work();
        } catch (const std::exception& failure) {
            result = std::string("exception: ") + failure.what();
        }
        const ssize_t written = ::write(channel[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    if (child < 0) {
        ::close(channel[0]);
        return "cannot fork";
    }
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "the child died (signal " + std::to_string(WTERMSIG(status)) + ")";
    return result;
}

std::filesystem::path MountSmallDisk(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0)
        return {};
    return folder;
}

void FillDisk(const std::filesystem::path& folder)
{
    const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) { }
    ::close(fd);
}

std::vector<std::string> FileNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
