#include "DataFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const char* NonEmptyEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

namespace {

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;

std::filesystem::path HomeFolder()
{
    if (const char* home = NonEmptyEnvironment("HOME"))
        return home;
    // Services started without an environment still have a password entry.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::current_path();
}

} // namespace

std::filesystem::path DataFolder()
{
    if (const char* home = NonEmptyEnvironment("KESTRIN_HOME"))
        return home;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const char* data = NonEmptyEnvironment("XDG_DATA_HOME"); data && data[0] == '/')
        return std::filesystem::path(data) / "kestrin";
    return HomeFolder() / ".local" / "share" / "kestrin";
}

bool EnsurePrivateFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(folder, ec))
        return !folder.empty();
    const std::filesystem::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder)
        std::filesystem::create_directories(parent, ec);
    // mkdir applies the umask, which can only narrow 0700; another process
    // creating the folder at the same moment is as good.
    if (::mkdir(folder.c_str(), kPrivateFolder) != 0 && errno != EEXIST)
        return false;
    return std::filesystem::is_directory(folder, ec);
}

bool EnsurePrivateFile(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
    if (fd >= 0) {
        // The umask may have taken bits away, never added any; 0600 exactly.
        ::fchmod(fd, kPrivateFile);
        ::close(fd);
        return true;
    }
    return errno == EEXIST;
}

std::string WiderRightsOf(const std::filesystem::path& folder)
{
    struct stat info { };
    if (::stat(folder.c_str(), &info) != 0)
        return {};
    const bool group = (info.st_mode & S_IRWXG) != 0;
    const bool others = (info.st_mode & S_IRWXO) != 0;
    if (!group && !others)
        return {};
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(info.st_mode & 0777));
    return "the data folder " + folder.string() + " can be read by " + (others ? "other users" : "its group")
        + " (mode " + mode + "; 700 keeps the journal private)";
}
