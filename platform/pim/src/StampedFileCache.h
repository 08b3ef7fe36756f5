#pragma once
// StampedFileCache: what was read from each file of a folder, kept with the
// file's size and modification time so that bringing it up to date reads
// only the files that are new or changed (a stat per file instead of a parse
// per file). Items are whatever the reader makes of a file's bytes. Files
// larger than kMaxFileBytes are not read: they are reported as problems.
// Private to the PIM store; one thread.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

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
    };

    // Brings the cache in step with `folder`'s files ending in `extension`:
    // gone files are dropped, new or changed ones read with
    // read(path, bytes, entry) (which fills items and problem). Returns false with `error`
    // when the folder cannot be listed; the cache is then left as it was.
    template <typename Read>
    bool Update(
        const std::filesystem::path& folder, const std::string& extension, Read read, std::error_code& error)
    {
        std::map<std::string, Entry> next;
        std::size_t kept = 0;
        anyChange_ = false;
        std::filesystem::directory_iterator it(folder, error);
        if (error)
            return false;
        for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
            if (error)
                return false;
            const std::filesystem::path& path = it->path();
            std::string name = path.filename().string();
            if (name.empty() || name.front() == '.' || path.extension() != extension)
                continue;
            struct stat info { };
            if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            const auto size = static_cast<std::uintmax_t>(info.st_size);
            const std::int64_t mtime = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
            const auto old = entries_.find(name);
            if (old != entries_.end() && old->second.size == size && old->second.mtimeNs == mtime) {
                next.emplace(std::move(name), std::move(old->second));
                ++kept;
                continue;
            }
            Entry entry;
            entry.size = size;
            entry.mtimeNs = mtime;
            std::string bytes;
            if (size > kMaxFileBytes)
                entry.problem = "the file is too large";
            else if (!ReadWhole(path, bytes))
                entry.problem = "the file cannot be read";
            else
                read(path, bytes, entry);
            anyChange_ = true;
            next.emplace(std::move(name), std::move(entry));
        }
        // An old entry not kept was changed or is gone.
        anyChange_ = anyChange_ || kept != entries_.size();
        entries_ = std::move(next);
        return true;
    }

    std::map<std::string, Entry>& Entries() { return entries_; }
    // Whether the last Update found any file new, changed or gone.
    bool AnyChange() const { return anyChange_; }
    void Clear() { entries_.clear(); }

private:
    static bool ReadWhole(const std::filesystem::path& path, std::string& bytes)
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return false;
        char buffer[65536];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.append(buffer, got);
            if (bytes.size() > kMaxFileBytes)
                break;
        }
        const bool ok = !std::ferror(file) && bytes.size() <= kMaxFileBytes;
        std::fclose(file);
        return ok;
    }

    std::map<std::string, Entry> entries_;
    bool anyChange_ = false;
};
