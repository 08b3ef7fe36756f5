#include "RegistryDb.h"

#include "Registry.h"
#include "SqliteStatement.h"

#include "DataFolder.h"
#include "SqliteCompanions.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>

namespace {

// Marks the file as a registry ("KREG"), so that another program's database
// placed at our path is refused instead of being written into.
constexpr std::int64_t kApplicationId = 0x4B524547;
constexpr std::int64_t kSchemaVersion = 1;
// How long a call waits for another process that holds the file locked.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"(
CREATE TABLE reg_keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name BLOB NOT NULL,
    folded BLOB NOT NULL,
    written INTEGER NOT NULL);
CREATE UNIQUE INDEX reg_keys_by_name ON reg_keys(parent, folded);
CREATE TABLE reg_values(
    key INTEGER NOT NULL,
    name BLOB NOT NULL,
    folded BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, folded));
)";

// The time of a change as the platform writes it: 100-ns ticks since 1601 (UTC).
std::int64_t NowAsFileTime()
{
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return kTicksFrom1601To1970
        + std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100;
}

// One transaction; rolled back unless committed.
class Transaction {
public:
    Transaction(sqlite3* db, bool write)
        : db_(db)
        , begun_(ErrorFromSqlite(ExecuteSql(db, write ? "BEGIN IMMEDIATE" : "BEGIN")))
    {
    }
    ~Transaction()
    {
        if (begun_ == ERROR_SUCCESS && !committed_)
            ExecuteSql(db_, "ROLLBACK");
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    LONG Begun() const { return begun_; }
    // Commits when `result` is success and returns the final outcome.
    LONG Finish(LONG result)
    {
        if (result != ERROR_SUCCESS)
            return result;
        const LONG commit = ErrorFromSqlite(ExecuteSql(db_, "COMMIT"));
        committed_ = commit == ERROR_SUCCESS;
        return commit;
    }

private:
    sqlite3* db_;
    LONG begun_;
    bool committed_ = false;
};

// The outcome of a step that should give one row: `whenNone` when it gave none.
LONG RowResult(int step, LONG whenNone)
{
    return step == SQLITE_ROW ? LONG { ERROR_SUCCESS }
        : step == SQLITE_DONE ? whenNone
                              : ErrorFromSqlite(step);
}

// The first column of the first row of `sql` as a number.
LONG ReadNumber(sqlite3* db, const char* sql, std::int64_t& value)
{
    SqliteStatement query(db, sql);
    const LONG result = RowResult(query.Step(), ERROR_BADDB);
    if (result == ERROR_SUCCESS)
        value = query.Int(0);
    return result;
}

LONG CountSchemaObjects(sqlite3* db, std::int64_t& count)
{
    return ReadNumber(db, "SELECT count(*) FROM sqlite_master", count);
}

LONG InsertKey(sqlite3* db, std::int64_t parent, const RegName& name, std::int64_t id = 0)
{
    SqliteStatement insert(
        db, "INSERT INTO reg_keys(id, parent, name, folded, written) VALUES(?, ?, ?, ?, ?)");
    if (id)
        insert.Bind(1, id);
    insert.Bind(2, parent);
    insert.Bind(3, name.spelled);
    insert.Bind(4, name.folded);
    insert.Bind(5, NowAsFileTime());
    return ErrorFromSqlite(insert.Step());
}

// Creates the tables and the two roots in an empty file. Another process may
// have done so since we looked, so the check is repeated under the write lock.
LONG CreateSchema(sqlite3* db)
{
    Transaction transaction(db, true);
    if (transaction.Begun() != ERROR_SUCCESS)
        return transaction.Begun();
    std::int64_t objects = 0;
    LONG result = CountSchemaObjects(db, objects);
    if (result != ERROR_SUCCESS || objects != 0)
        return result;
    result = ErrorFromSqlite(ExecuteSql(db, kSchema));
    if (result == ERROR_SUCCESS)
        result = InsertKey(db, 0, MakeRegName(u"HKEY_CURRENT_USER"), RegistryDb::kCurrentUserRoot);
    if (result == ERROR_SUCCESS)
        result = InsertKey(db, 0, MakeRegName(u"HKEY_LOCAL_MACHINE"), RegistryDb::kLocalMachineRoot);
    const std::string marks = "PRAGMA application_id = " + std::to_string(kApplicationId)
        + "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
    if (result == ERROR_SUCCESS)
        result = ErrorFromSqlite(ExecuteSql(db, marks.c_str()));
    return transaction.Finish(result);
}

LONG QuickCheck(sqlite3* db)
{
    SqliteStatement check(db, "PRAGMA quick_check");
    return check.Step() == SQLITE_ROW && check.Utf8(0) == "ok" ? ERROR_SUCCESS : ERROR_BADDB;
}

// Decides whether the open file is a registry (checking it), an empty file
// (making it one, unless it can only be read), or anything else (refusing it
// untouched). A registry that is set up is only read here.
LONG PrepareFile(sqlite3* db)
{
    std::int64_t applicationId = 0;
    std::int64_t objects = 0;
    LONG result = ReadNumber(db, "PRAGMA application_id", applicationId);
    if (result == ERROR_SUCCESS)
        result = CountSchemaObjects(db, objects);
    if (result != ERROR_SUCCESS)
        return result;
    const bool empty = applicationId == 0 && objects == 0;
    if (!empty) {
        std::int64_t version = 0;
        if (applicationId != kApplicationId)
            return ERROR_BADDB;
        result = ReadNumber(db, "PRAGMA user_version", version);
        if (result == ERROR_SUCCESS && version != kSchemaVersion)
            return ERROR_BADDB;
        if (result == ERROR_SUCCESS)
            result = QuickCheck(db);
    }
    // With the write-ahead log, NORMAL syncing still never damages the file;
    // a power cut may only lose the last changes.
    if (result == ERROR_SUCCESS)
        result = ErrorFromSqlite(ExecuteSql(db, "PRAGMA synchronous = NORMAL"));
    if (result == ERROR_SUCCESS && empty) {
        if (sqlite3_db_readonly(db, "main") == 1)
            return ERROR_ACCESS_DENIED;
        result = ErrorFromSqlite(ExecuteSql(db, "PRAGMA journal_mode = WAL"));
        if (result == ERROR_SUCCESS)
            result = CreateSchema(db);
    }
    return result;
}

sqlite3* OpenConnection(const std::string& name, int flags)
{
    sqlite3* connection = nullptr;
    if (sqlite3_open_v2(name.c_str(), &connection, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(connection);
        return nullptr;
    }
    sqlite3_busy_timeout(connection, kBusyTimeoutMs);
    return connection;
}

// The file as one that nobody changes: for a registry this process cannot
// write and whose log holds nothing.
sqlite3* OpenUnchanging(const std::filesystem::path& file)
{
    std::string uri = "file:";
    for (const unsigned char c : file.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return OpenConnection(uri + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

} // namespace

LONG RegistryDb::Open(const std::filesystem::path& file, std::shared_ptr<RegistryDb>& db)
{
    EnsurePrivateFolder(file.parent_path());
    std::error_code ignored;
    sqlite3* connection = nullptr;
    if (!std::filesystem::exists(file, ignored) && !EnsurePrivateFile(file))
        return ERROR_ACCESS_DENIED;
    // Read and write when possible; SQLite falls back to reading alone for a
    // write-protected file.
    connection = OpenConnection(file.string(), SQLITE_OPEN_READWRITE);
    if (!connection)
        return ERROR_BADDB;
    const int probe = ExecuteSql(connection, "SELECT count(*) FROM sqlite_master");
    if (probe != SQLITE_OK && SqliteCompanionsUnavailable(probe) && SqliteLogIsEmpty(file)) {
        sqlite3_close(connection);
        connection = OpenUnchanging(file);
        if (!connection)
            return ERROR_BADDB;
    }
    const LONG result = PrepareFile(connection);
    if (result != ERROR_SUCCESS) {
        sqlite3_close(connection);
        return result;
    }
    db.reset(new RegistryDb(connection, file));
    return ERROR_SUCCESS;
}

RegistryDb::RegistryDb(sqlite3* connection, std::filesystem::path file)
    : connection_(connection)
    , file_(std::move(file))
{
}

RegistryDb::~RegistryDb()
{
    sqlite3_close(connection_);
}

template <typename Work> LONG RegistryDb::InTransaction(bool write, Work&& work)
{
    std::lock_guard guard(lock_);
    Transaction transaction(connection_, write);
    if (transaction.Begun() != ERROR_SUCCESS)
        return transaction.Begun();
    return transaction.Finish(work());
}

template <typename Work> LONG RegistryDb::OnKey(KeyId key, bool write, Work&& work)
{
    return InTransaction(write, [&] {
        const LONG exists = KeyExists(key);
        return exists == ERROR_SUCCESS ? work() : exists;
    });
}

LONG RegistryDb::KeyExists(KeyId key)
{
    SqliteStatement query(connection_, "SELECT 1 FROM reg_keys WHERE id = ?");
    query.Bind(1, key);
    return RowResult(query.Step(), ERROR_KEY_DELETED);
}

LONG RegistryDb::FindChild(KeyId parent, const RegName& step, KeyId& child)
{
    SqliteStatement query(connection_, "SELECT id FROM reg_keys WHERE parent = ? AND folded = ?");
    query.Bind(1, parent);
    query.Bind(2, step.folded);
    const LONG result = RowResult(query.Step(), ERROR_FILE_NOT_FOUND);
    if (result == ERROR_SUCCESS)
        child = query.Int(0);
    return result;
}

LONG RegistryDb::Walk(KeyId from, const RegKeyPath& steps, KeyId& found)
{
    found = from;
    for (const RegName& step : steps) {
        const LONG result = FindChild(found, step, found);
        if (result != ERROR_SUCCESS)
            return result;
    }
    return ERROR_SUCCESS;
}

LONG RegistryDb::Touch(KeyId key)
{
    SqliteStatement update(connection_, "UPDATE reg_keys SET written = ? WHERE id = ?");
    update.Bind(1, NowAsFileTime());
    update.Bind(2, key);
    return ErrorFromSqlite(update.Step());
}

LONG RegistryDb::CheckKey(KeyId key)
{
    return OnKey(key, false, [] { return static_cast<LONG>(ERROR_SUCCESS); });
}

LONG RegistryDb::FindKey(KeyId from, const RegKeyPath& steps, KeyId& found)
{
    return OnKey(from, false, [&] { return Walk(from, steps, found); });
}

LONG RegistryDb::CreateKey(KeyId from, const RegKeyPath& steps, KeyId& found, bool& created)
{
    created = false;
    // Opening a key that exists (the usual case: every program start opens
    // its profile key this way) only reads, so it works on a registry that
    // cannot be written and never waits for a writer.
    const LONG existing = FindKey(from, steps, found);
    if (existing != ERROR_FILE_NOT_FOUND)
        return existing;
    return OnKey(from, true, [&] {
        found = from;
        for (const RegName& step : steps) {
            const KeyId parent = found;
            LONG result = FindChild(parent, step, found);
            created = result == ERROR_FILE_NOT_FOUND;
            if (created) {
                result = InsertKey(connection_, parent, step);
                found = sqlite3_last_insert_rowid(connection_);
            }
            if (result != ERROR_SUCCESS)
                return result;
        }
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

LONG RegistryDb::DeleteKey(KeyId from, const RegKeyPath& steps)
{
    if (steps.empty())
        return ERROR_INVALID_PARAMETER;
    return OnKey(from, true, [&] {
        KeyId parent = 0;
        KeyId target = 0;
        LONG result = Walk(from, RegKeyPath(steps.begin(), steps.end() - 1), parent);
        if (result == ERROR_SUCCESS)
            result = FindChild(parent, steps.back(), target);
        static const std::string kTree = "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT reg_keys.id "
                                         "FROM reg_keys JOIN tree ON reg_keys.parent = tree.id) ";
        for (const std::string& statement : { kTree + "DELETE FROM reg_values WHERE key IN tree",
                 kTree + "DELETE FROM reg_keys WHERE id IN tree" }) {
            if (result != ERROR_SUCCESS)
                return result;
            SqliteStatement remove(connection_, statement.c_str());
            remove.Bind(1, target);
            result = ErrorFromSqlite(remove.Step());
        }
        return result == ERROR_SUCCESS ? Touch(parent) : result;
    });
}

LONG RegistryDb::QueryValue(KeyId key, const RegName& name, RegStoredValue& value)
{
    return OnKey(key, false, [&] {
        SqliteStatement query(connection_, "SELECT type, data FROM reg_values WHERE key = ? AND folded = ?");
        query.Bind(1, key);
        query.Bind(2, name.folded);
        const LONG result = RowResult(query.Step(), ERROR_FILE_NOT_FOUND);
        if (result == ERROR_SUCCESS)
            value = RegStoredValue { static_cast<DWORD>(query.Int(0)), query.Bytes(1) };
        return result;
    });
}

LONG RegistryDb::SetValue(KeyId key, const RegName& name, DWORD type, const BYTE* data, DWORD bytes)
{
    return OnKey(key, true, [&] {
        // An update in place keeps the value's position in the enumeration.
        SqliteStatement upsert(connection_,
            "INSERT INTO reg_values(key, name, folded, type, data) "
            "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(key, folded) "
            "DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.Bind(1, key);
        upsert.Bind(2, name.spelled);
        upsert.Bind(3, name.folded);
        upsert.Bind(4, static_cast<std::int64_t>(type));
        upsert.BindBytes(5, data, bytes);
        const LONG result = ErrorFromSqlite(upsert.Step());
        return result == ERROR_SUCCESS ? Touch(key) : result;
    });
}

LONG RegistryDb::DeleteValue(KeyId key, const RegName& name)
{
    return OnKey(key, true, [&] {
        SqliteStatement remove(connection_, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
        remove.Bind(1, key);
        remove.Bind(2, name.folded);
        LONG result = ErrorFromSqlite(remove.Step());
        if (result == ERROR_SUCCESS && sqlite3_changes(connection_) == 0)
            result = ERROR_FILE_NOT_FOUND;
        return result == ERROR_SUCCESS ? Touch(key) : result;
    });
}

LONG RegistryDb::EnumKey(KeyId key, DWORD index, std::u16string& name, std::int64_t& lastWrite)
{
    return OnKey(key, false, [&] {
        SqliteStatement query(
            connection_, "SELECT name, written FROM reg_keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?");
        query.Bind(1, key);
        query.Bind(2, static_cast<std::int64_t>(index));
        const LONG result = RowResult(query.Step(), ERROR_NO_MORE_ITEMS);
        if (result == ERROR_SUCCESS) {
            name = query.Text(0);
            lastWrite = query.Int(1);
        }
        return result;
    });
}

LONG RegistryDb::EnumValue(KeyId key, DWORD index, std::u16string& name, RegStoredValue& value)
{
    return OnKey(key, false, [&] {
        SqliteStatement query(connection_,
            "SELECT name, type, data FROM reg_values WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?");
        query.Bind(1, key);
        query.Bind(2, static_cast<std::int64_t>(index));
        const LONG result = RowResult(query.Step(), ERROR_NO_MORE_ITEMS);
        if (result == ERROR_SUCCESS) {
            name = query.Text(0);
            value = RegStoredValue { static_cast<DWORD>(query.Int(1)), query.Bytes(2) };
        }
        return result;
    });
}
