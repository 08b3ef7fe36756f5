#pragma once
// Thin RAII over the SQLite C API for the object store: one connection and
// prepared statements that reset themselves. Nothing here is visible to the
// store's callers. Errors are SQLite result codes; SqliteErrorToWin32 turns
// them into the platform's error numbers. Not thread-safe: the store
// serialises all use of its connection.

#include "WinTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace objectstore {

// The platform error for a SQLite result code: busy/locked -> 32 (in use by
// another process), full -> 112, out of memory -> 8, read-only -> 5 (access
// denied), anything else -> 1009
// (the store file is damaged or unreadable).
DWORD SqliteErrorToWin32(int rc);

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // SQLite's result of preparing (SQLITE_OK when usable).
    int PrepareResult() const { return prepareRc_; }

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::span<const BYTE> blob);
    Statement& Bind(int index, std::string_view text);
    Statement& BindNull(int index);

    // Steps once: true while a row is available. Done() is true after the
    // last row; Error() holds the result code of a failed step (0 if none).
    bool Step();
    int Error() const { return error_; }

    std::int64_t Int(int column) const;
    bool IsNull(int column) const;
    std::span<const BYTE> Blob(int column) const;
    std::string_view Text(int column) const;

    // Runs the statement to completion and resets it; returns the SQLite
    // result (SQLITE_DONE counts as SQLITE_OK).
    int Run();
    // Clears bindings and rewinds; called automatically by Run and by the
    // next Bind after rows were read.
    void Reset();

private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareRc_ = 0;
    int error_ = 0;
    bool stepped_ = false;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens `path` for reading and writing, or for reading only when the
    // file itself is write-protected; `create` allows creating a missing
    // file. Returns the SQLite result; on failure the connection stays closed.
    int Open(const std::string& path, bool create);
    // Opens `path` for reading only, as a file nobody changes: no locks, no
    // log or shared-memory companions are looked at or made. Only for a file
    // that holds everything by itself and that this process cannot write.
    int OpenImmutable(const std::string& path);
    // True when the connection cannot write (write-protected file or
    // OpenImmutable).
    bool IsReadOnly() const;
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Raw() const { return db_; }

    // Runs one or more statements without results.
    int Exec(const char* sql);
    // The message of the last failure on this connection.
    std::string LastMessage() const;
    // True when no transaction is open (SQLite may end one by itself after a
    // disk-full or I/O error).
    bool InAutocommit() const;

private:
    int OpenWith(const std::string& name, int flags);

    sqlite3* db_ = nullptr;
};

} // namespace objectstore
