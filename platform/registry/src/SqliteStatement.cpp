#include "SqliteStatement.h"

#include "Registry.h"

#include <cstring>
#include <sqlite3.h>

LONG ErrorFromSqlite(int result)
{
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_SHARING_VIOLATION;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_IOERR:
        return ERROR_REGISTRY_IO_FAILED;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISMATCH:
        return ERROR_INVALID_PARAMETER;
    default:
        // Corruption, a file that is not a database, a schema that is not
        // ours (statements fail to prepare): the file is not a usable registry.
        return ERROR_BADDB;
    }
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
    : prepareResult_(sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr))
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

void SqliteStatement::Bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement_, index, value);
}

void SqliteStatement::Bind(int index, std::u16string_view text)
{
    BindBytes(index, text.data(), text.size() * sizeof(char16_t));
}

void SqliteStatement::BindBytes(int index, const void* data, std::size_t bytes)
{
    // A zero-length blob must still be a blob, not NULL.
    static const char empty = 0;
    sqlite3_bind_blob64(statement_, index, bytes ? data : &empty, bytes, SQLITE_TRANSIENT);
}

int SqliteStatement::Step()
{
    return prepareResult_ == SQLITE_OK ? sqlite3_step(statement_) : prepareResult_;
}

std::int64_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::u16string SqliteStatement::Text(int column) const
{
    const void* data = sqlite3_column_blob(statement_, column);
    const std::size_t units = static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)) / 2;
    std::u16string text(units, u'\0');
    if (units)
        std::memcpy(text.data(), data, units * 2);
    return text;
}

std::vector<BYTE> SqliteStatement::Bytes(int column) const
{
    const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(statement_, column));
    const int bytes = sqlite3_column_bytes(statement_, column);
    return data ? std::vector<BYTE>(data, data + bytes) : std::vector<BYTE>();
}

std::string SqliteStatement::Utf8(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text) : std::string();
}

int ExecuteSql(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}
