#pragma once
// Pieces shared by the files of the store engine (Store.cpp: opening,
// snapshots, cursors and reads; StoreWrites.cpp: everything that changes the
// file): the prepared statements, the write scope and small helpers. Private
// to the object store; not thread-safe (the store serialises all calls).

#include "RecordCodec.h"
#include "Sqlite.h"
#include "Store.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace objectstore {

// The current time as a UTC file time.
std::uint64_t NowAsFileTime();
FILETIME ToFileTime(std::uint64_t t);
// Sets the last error and returns FALSE (0), the service's failure result.
BOOL Fail(DWORD error);
// 1..31 UTF-16 units.
bool ValidName(LPCWSTR name);
// At most four specifications of known value types and flags, no property twice.
bool ValidSorts(WORD count, const SORTORDERSPEC* specs);
// Stored forms of a database's name (UTF-16LE) and sort orders (id, flags).
std::vector<BYTE> NameBytes(std::u16string_view name);
std::vector<BYTE> SortBytes(const std::vector<SORTORDERSPEC>& sorts);
std::vector<SORTORDERSPEC> SortsOf(std::span<const BYTE> bytes);
// The property of that id, or null.
const PropView* FindProp(const std::vector<PropView>& props, CEPROPID id);
// Runs an insert or update of sort_keys whose parameters are k0..k3, db, oid;
// slots beyond `used` get NULL. Returns the SQLite result.
int WriteKeys(Statement& st, CEOID db, CEOID oid, const std::string_view* keys, std::size_t used);
int WriteKeys(Statement& st, CEOID db, CEOID oid, const std::string* keys, std::size_t used);
// A key column as bytes.
std::string KeyColumn(const Statement& st, int column);

struct Store::Statements {
    explicit Statements(sqlite3* db);
    bool Ready() const;

    Statement beginRead, beginWrite, commit, rollback, savepoint, release, rollbackTo, batchSavepoint,
        batchRelease, dataVersion, dbByOid,
        dbOidByName, recordOf, recordDb, propsOf, orderByOid, insertRecord, insertKeys, updateRecord,
        updateKeys, deleteRecord, deleteKeys, bumpDatabase, allocateOid, nextOid, insertDatabase,
        updateDatabase, deleteRecordsOf, deleteKeysOf, deleteDatabase, recordsOf;
    Statement keyOf[CEDB_MAXSORTORDER];
    Statement orderByKey[CEDB_MAXSORTORDER];
};

// One write as an atomic unit: its own transaction, or a savepoint inside the
// caller's transaction. Left without Commit it rolls back; if it had changed
// anything, every cached index and row is dropped, because they may have been
// brought in step with changes that no longer exist.
class WriteScope {
public:
    explicit WriteScope(Store& store);
    ~WriteScope();
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    // The error that kept the scope from opening (0 when open).
    DWORD Error() const { return error_; }
    // Marks that the scope changed the file.
    void Touch() { touched_ = true; }
    // Commits or releases; returns 0 or the error (the scope is then undone).
    DWORD Commit();
    // Records the error of a failed statement and returns it.
    DWORD Failed(int rc);

private:
    void Abandon();

    Store& store_;
    bool open_ = false;
    bool touched_ = false;
    DWORD error_ = 0;
    // The full-text queue before the scope: what it queued goes with it.
    std::size_t fullTextMark_ = 0;
};

} // namespace objectstore
