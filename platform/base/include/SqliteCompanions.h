#pragma once
// What the two stores on SQLite files (the object store and the registry)
// need to know to fall back to reading a file they cannot change: whether a
// first read failed because the log's companion files ("-wal", "-shm")
// could not be opened or made (read-only folder or medium, full disk), and
// whether the log holds changes the main file lacks (then the file alone
// would read as older than it is). Header-only: used only by code that links
// SQLite.

#include <sqlite3.h>

#include <filesystem>
#include <string>

inline bool SqliteCompanionsUnavailable(int result)
{
    switch (result & 0xFF) {
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

// True when no log of `file` holds changes the main file lacks.
inline bool SqliteLogIsEmpty(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::string log = file.string() + "-wal";
    const auto size = std::filesystem::file_size(log, ec);
    return ec ? !std::filesystem::exists(log, ec) : size == 0;
}
