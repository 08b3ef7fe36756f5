#pragma once
// StampedFileCache: what was read from each file of a folder, kept with the
// file's size and modification time so that bringing it up to date reads
// only the files that are new or changed: one stat per file, relative to the
// open folder, and no parse, for a file that did not change. Items are
// whatever the reader makes of a file's bytes. Files larger than
// kMaxFileBytes are not read: they are reported as problems. Private to the
// PIM store; one thread.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

template <typename Items> class StampedFileCache {
public:
    static constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

    struct Entry {
        std::uintmax_t size = 0;
        std::int64_t mtimeNs = 0;
        Items items {};
        // Why the file could not be read (wholly), empty when it could.
        std::string problem;
        // Whether the problem was reported (once per change of the file).
        bool reported = false;
        // The Update that last saw the file.
        unsigned seen = 0;
    };
    using Map = std::unordered_map<std::string, Entry>;

    // Brings the cache in step with `folder`'s files ending in `extension`
    // (hidden files aside): gone files are dropped, new or changed ones read
    // with read(path, bytes, entry), which fills items and problem. Returns
    // false when the folder cannot be listed; the cache is then left as it
    // was.
    template <typename Read>
    bool Update(const std::filesystem::path& folder, std::string_view extension, Read read)
    {
        DIR* listing = ::opendir(folder.c_str());
        if (!listing)
            return false;
        const int folderFd = ::dirfd(listing);
        ++generation_;
        anyChange_ = false;
        std::string name;
        while (const dirent* found = ::readdir(listing)) {
            name.assign(found->d_name);
            if (name.empty() || name.front() == '.' || name.size() <= extension.size()
                || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
                continue;
            struct stat info { };
            if (::fstatat(folderFd, found->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
                continue;
            const auto size = static_cast<std::uintmax_t>(info.st_size);
            const std::int64_t mtime = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
            Entry& entry = entries_[name];
            entry.seen = generation_;
            if (entry.size == size && entry.mtimeNs == mtime && (size != 0 || mtime != 0))
                continue;
            entry = Entry {};
            entry.size = size;
            entry.mtimeNs = mtime;
            entry.seen = generation_;
            std::string bytes;
            if (size > kMaxFileBytes)
                entry.problem = "the file is too large";
            else if (!ReadWhole(folderFd, found->d_name, bytes))
                entry.problem = "the file cannot be read";
            else
                read(folder / name, bytes, entry);
            anyChange_ = true;
        }
        ::closedir(listing);
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->second.seen == generation_) {
                ++it;
            } else {
                it = entries_.erase(it);
                anyChange_ = true;
            }
        }
        return true;
    }

    Map& Entries() { return entries_; }
    // Whether the last Update found any file new, changed or gone.
    bool AnyChange() const { return anyChange_; }

private:
    static bool ReadWhole(int folderFd, const char* name, std::string& bytes)
    {
        const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        char buffer[65536];
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
            if (bytes.size() > kMaxFileBytes)
                break;
        }
        ::close(fd);
        return got == 0 && bytes.size() <= kMaxFileBytes;
    }

    Map entries_;
    unsigned generation_ = 0;
    bool anyChange_ = false;
};
