#pragma once
// A prepared SQLite statement owned for one use, and the mapping of SQLite
// result codes to the platform's error codes. Not thread-safe: callers hold
// the connection's lock.

#include "WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// ERROR_SUCCESS for SQLITE_OK/ROW/DONE, otherwise the nearest platform code
// (a damaged or foreign file is ERROR_BADDB).
LONG ErrorFromSqlite(int result);

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The result of preparing (SQLITE_OK when the statement can run).
    int PrepareResult() const { return prepareResult_; }

    // Parameters are numbered from 1. Texts are bound as BLOBs of UTF-16
    // code units so that every name survives exactly, unpaired halves too.
    void Bind(int index, std::int64_t value);
    void Bind(int index, std::u16string_view text);
    void BindBytes(int index, const void* data, std::size_t bytes);

    // SQLITE_ROW, SQLITE_DONE or an error; a statement that failed to prepare
    // returns that failure.
    int Step();

    // Columns are numbered from 0. Values of an unexpected SQLite type are
    // converted the way SQLite converts them; an odd trailing byte of a text
    // is dropped.
    std::int64_t Int(int column) const;
    std::u16string Text(int column) const;
    std::vector<BYTE> Bytes(int column) const;
    // A column as SQLite's own UTF-8 text (pragma results).
    std::string Utf8(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    int prepareResult_;
};

// Runs a statement without parameters or rows (pragmas, BEGIN, COMMIT).
int ExecuteSql(sqlite3* db, const char* sql);
