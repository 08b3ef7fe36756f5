#include "Sqlite.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <utility>

namespace objectstore {

DWORD SqliteErrorToWin32(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_SHARING_VIOLATION;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_BADDB;
    }
}

Statement::Statement(sqlite3* db, std::string_view sql)
{
    prepareRc_ = sqlite3_prepare_v3(
        db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr))
    , prepareRc_(other.prepareRc_)
    , error_(other.error_)
    , stepped_(other.stepped_)
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
        prepareRc_ = other.prepareRc_;
        error_ = other.error_;
        stepped_ = other.stepped_;
    }
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value)
{
    if (stepped_)
        Reset();
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::span<const BYTE> blob)
{
    if (stepped_)
        Reset();
    // A zero-length blob must still bind as a blob, not as NULL.
    static const BYTE empty = 0;
    sqlite3_bind_blob64(stmt_, index, blob.empty() ? &empty : blob.data(), blob.size(), SQLITE_STATIC);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text)
{
    if (stepped_)
        Reset();
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    return *this;
}

Statement& Statement::BindNull(int index)
{
    if (stepped_)
        Reset();
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step()
{
    if (!stmt_) {
        error_ = prepareRc_ ? prepareRc_ : SQLITE_MISUSE;
        return false;
    }
    stepped_ = true;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        error_ = 0;
        return true;
    }
    error_ = rc == SQLITE_DONE ? 0 : rc;
    return false;
}

std::int64_t Statement::Int(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

bool Statement::IsNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::span<const BYTE> Statement::Blob(int column) const
{
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return { static_cast<const BYTE*>(data), data ? static_cast<std::size_t>(size) : 0 };
}

std::string_view Statement::Text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return { data ? data : "", data ? static_cast<std::size_t>(size) : 0 };
}

int Statement::Run()
{
    while (Step()) { }
    const int rc = error_;
    Reset();
    return rc;
}

void Statement::Reset()
{
    if (!stmt_)
        return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    stepped_ = false;
}

Connection::~Connection()
{
    Close();
}

int Connection::Open(const std::string& path, bool create)
{
    return OpenWith(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
}

int Connection::OpenImmutable(const std::string& path)
{
    // As a URI: every byte outside the unreserved set is percent-encoded.
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    uri += "?immutable=1";
    return OpenWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

bool Connection::IsReadOnly() const
{
    return db_ && sqlite3_db_readonly(db_, "main") == 1;
}

int Connection::OpenWith(const std::string& name, int flags)
{
    Close();
    const int rc = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    } else {
        sqlite3_extended_result_codes(db_, 1);
    }
    return rc;
}

void Connection::Close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

int Connection::Exec(const char* sql)
{
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::string Connection::LastMessage() const
{
    return db_ ? sqlite3_errmsg(db_) : "no connection";
}

bool Connection::InAutocommit() const
{
    return db_ && sqlite3_get_autocommit(db_);
}

} // namespace objectstore
