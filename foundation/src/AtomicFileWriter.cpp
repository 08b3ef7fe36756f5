#include "AtomicFileWriter.h"

#include "DataFolder.h"
#include "LastError.h"
#include "PosixError.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 16;
// As the kernel does for path lookups.
constexpr int kMaxLinks = 40;
constexpr mode_t kPrivateFile = 0600;

// The file a path leads to through any symbolic links (relative links are
// read from the link's folder). A dangling link leads to the path it names;
// a loop or an unreadable link stops at the last link.
fs::path FollowLinks(fs::path path)
{
    std::error_code ec;
    for (int hop = 0; hop < kMaxLinks && fs::is_symlink(fs::symlink_status(path, ec)); ++hop) {
        const fs::path next = fs::read_symlink(path, ec);
        if (ec)
            break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

mode_t CurrentUmask()
{
    // Read rather than set and restore: umask() would change it for every
    // thread meanwhile.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

bool InDataFolder(const fs::path& file)
{
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(file.parent_path(), ec);
    const fs::path data = fs::weakly_canonical(DataFolder(), ec);
    return !ec && folder == data;
}

// The mode the replacing file takes: the old file's, else that of a new file.
mode_t ModeFor(const fs::path& destination)
{
    struct stat info { };
    if (::stat(destination.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    if (InDataFolder(destination))
        return kPrivateFile;
    return 0666 & ~CurrentUmask();
}

// Creates `path` new, 0600 whatever the umask; false with the last error set.
bool CreatePrivate(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
    if (fd < 0)
        return FailWithErrno();
    ::fchmod(fd, kPrivateFile);
    ::close(fd);
    return true;
}

// A name beside the target that no other writer picks: ".<name>.<random>.tmp".
std::string TempNameBeside(const std::filesystem::path& target)
{
    static thread_local std::mt19937_64 random { std::random_device {}()
        ^ static_cast<unsigned>(::getpid()) };
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    std::string name = "." + target.filename().string() + "." + suffix + ".tmp";
    return (target.parent_path() / name).string();
}

// Makes a rename inside `folder` durable.
void SyncFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

AtomicFileWriter::AtomicFileWriter(LPCWSTR target)
    : m_target(target)
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!m_committed)
        Discard();
}

BOOL AtomicFileWriter::Open()
{
    if (m_file.IsOpen() || m_target.IsEmpty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fs::path destination = FollowLinks(fs::path(ZString::AnsiBytes(m_target)));
    m_destination = ZString::FromUtf8(destination.string());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TempNameBeside(destination);
        if (!CreatePrivate(name)) {
            if (GetLastError() != ERROR_FILE_EXISTS)
                return FALSE;
            continue;
        }
        ZString temp = ZString::FromUtf8(name);
        if (!m_file.Open(temp, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
            const DWORD error = GetLastError();
            ::unlink(name.c_str());
            SetLastError(error);
            return FALSE;
        }
        m_temp = temp;
        m_committed = false;
        return TRUE;
    }
    return FALSE;
}

BOOL AtomicFileWriter::Commit()
{
    if (!m_file.IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::string temp = ZString::AnsiBytes(m_temp), target = ZString::AnsiBytes(m_destination);
    bool replaced = m_file.Sync() && m_file.Close();
    if (replaced && ::chmod(temp.c_str(), ModeFor(target)) != 0)
        replaced = FailWithErrno();
    if (replaced && std::rename(temp.c_str(), target.c_str()) != 0)
        replaced = FailWithErrno();
    if (!replaced) {
        DWORD error = GetLastError();
        Discard();
        SetLastError(error);
        return FALSE;
    }
    m_committed = true;
    m_temp.Empty();
    // The new content is in place. Some file systems cannot sync a folder;
    // that only weakens durability against power loss, so it is not undone.
    SyncFolder(std::filesystem::path(target).parent_path());
    return TRUE;
}

void AtomicFileWriter::Discard()
{
    if (m_file.IsOpen())
        m_file.Close();
    if (!m_temp.IsEmpty())
        ::unlink(ZString::AnsiBytes(m_temp).c_str());
    m_temp.Empty();
}
