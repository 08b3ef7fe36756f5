#include "SyncFiles.h"

#include <ctime>
#include <fstream>
#include <sstream>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace journal_sync {

namespace {

FileStamp StampOf(const struct stat& info)
{
    FileStamp stamp;
    stamp.mtime = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000ll + info.st_mtim.tv_nsec;
    stamp.size = static_cast<unsigned long long>(info.st_size);
    return stamp;
}

} // namespace

long long NowSeconds()
{
    return static_cast<long long>(std::time(nullptr));
}

bool ReadWhole(const fs::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    bytes = std::move(out).str();
    return !in.bad();
}

bool WriteWhole(const fs::path& path, const std::string& bytes, FileStamp* stamp)
{
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".tmp");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    struct stat info {};
    const bool written = done == bytes.size() && ::fstat(fd, &info) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (stamp)
        *stamp = StampOf(info);
    return true;
}

std::optional<FileStamp> StatOf(const fs::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StampOf(info);
}

} // namespace journal_sync
