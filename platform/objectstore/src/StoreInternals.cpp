#include "StoreInternals.h"

#include "FullText.h"
#include "LastError.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>

namespace objectstore {

std::uint64_t NowAsFileTime()
{
    using namespace std::chrono;
    const auto ticks = duration_cast<duration<std::int64_t, std::ratio<1, 10'000'000>>>(
        system_clock::now().time_since_epoch());
    return static_cast<std::uint64_t>(ticks.count()) + 116'444'736'000'000'000ull;
}

FILETIME ToFileTime(std::uint64_t t)
{
    return { static_cast<DWORD>(t), static_cast<DWORD>(t >> 32) };
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

bool ValidName(LPCWSTR name)
{
    if (!name || !*name)
        return false;
    return std::u16string_view(name).size() < CEDB_MAXDBASENAMELEN;
}

bool ValidSorts(WORD count, const SORTORDERSPEC* specs)
{
    if (count > CEDB_MAXSORTORDER || (count && !specs))
        return false;
    for (WORD i = 0; i < count; ++i) {
        const SORTORDERSPEC& s = specs[i];
        if (!IsValueType(TypeFromPropID(s.propid)) || NumberFromPropID(s.propid) == 0)
            return false;
        if (s.dwFlags & ~DWORD(CEDB_SORT_DESCENDING | CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_UNKNOWNFIRST))
            return false;
        for (WORD j = 0; j < i; ++j)
            if (specs[j].propid == s.propid)
                return false;
    }
    return true;
}

std::vector<BYTE> NameBytes(std::u16string_view name)
{
    std::vector<BYTE> out;
    for (char16_t c : name)
        AppendLittleEndian(out, c, 2);
    return out;
}

std::vector<BYTE> SortBytes(const std::vector<SORTORDERSPEC>& sorts)
{
    std::vector<BYTE> out;
    for (const SORTORDERSPEC& s : sorts) {
        AppendLittleEndian(out, s.propid, 4);
        AppendLittleEndian(out, s.dwFlags, 4);
    }
    return out;
}

std::vector<SORTORDERSPEC> SortsOf(std::span<const BYTE> bytes)
{
    std::vector<SORTORDERSPEC> sorts;
    for (std::size_t at = 0; at + 8 <= bytes.size() && sorts.size() < CEDB_MAXSORTORDER; at += 8)
        sorts.push_back({ static_cast<CEPROPID>(ReadLittleEndian(bytes.subspan(at, 4))),
            static_cast<DWORD>(ReadLittleEndian(bytes.subspan(at + 4, 4))) });
    return sorts;
}

const PropView* FindProp(const std::vector<PropView>& props, CEPROPID id)
{
    auto it = std::find_if(props.begin(), props.end(), [&](const PropView& p) { return p.id == id; });
    return it == props.end() ? nullptr : &*it;
}

int WriteKeys(Statement& st, CEOID db, CEOID oid, const std::string_view* keys, std::size_t used)
{
    for (std::size_t i = 0; i < CEDB_MAXSORTORDER; ++i) {
        const int column = 1 + static_cast<int>(i);
        if (i < used)
            st.Bind(
                column, std::span<const BYTE>(reinterpret_cast<const BYTE*>(keys[i].data()), keys[i].size()));
        else
            st.BindNull(column);
    }
    return st.Bind(5, db).Bind(6, oid).Run();
}

int WriteKeys(Statement& st, CEOID db, CEOID oid, const std::string* keys, std::size_t used)
{
    std::string_view views[CEDB_MAXSORTORDER];
    for (std::size_t i = 0; i < used && i < CEDB_MAXSORTORDER; ++i)
        views[i] = keys[i];
    return WriteKeys(st, db, oid, views, used);
}

std::string KeyColumn(const Statement& st, int column)
{
    const auto blob = st.Blob(column);
    return std::string(reinterpret_cast<const char*>(blob.data()), blob.size());
}

Store::Statements::Statements(sqlite3* db)
    : beginRead(db, "BEGIN")
    , beginWrite(db, "BEGIN IMMEDIATE")
    , commit(db, "COMMIT")
    , rollback(db, "ROLLBACK")
    , savepoint(db, "SAVEPOINT write_scope")
    , release(db, "RELEASE write_scope")
    , rollbackTo(db, "ROLLBACK TO write_scope")
    , batchSavepoint(db, "SAVEPOINT batch")
    , batchRelease(db, "RELEASE batch")
    , dataVersion(db, "PRAGMA data_version")
    , dbByOid(db,
          "SELECT oid, name, type, sort_specs, record_count, size, modified, version "
          "FROM databases WHERE oid = ?")
    , dbOidByName(db, "SELECT oid FROM databases WHERE name_key = ?")
    , recordOf(db,
          "SELECT r.db, r.props, k.k0, k.k1, k.k2, k.k3 FROM records r "
          "JOIN sort_keys k ON k.db = r.db AND k.oid = r.oid WHERE r.oid = ?")
    , recordDb(db, "SELECT db FROM records WHERE oid = ?")
    , propsOf(db, "SELECT props FROM records WHERE oid = ? AND db = ?")
    , orderByOid(db, "SELECT oid FROM sort_keys WHERE db = ? ORDER BY oid")
    , insertRecord(db, "INSERT INTO records(oid, db, props) VALUES(?, ?, ?)")
    , insertKeys(db, "INSERT INTO sort_keys(k0, k1, k2, k3, db, oid) VALUES(?, ?, ?, ?, ?, ?)")
    , updateRecord(db, "UPDATE records SET props = ? WHERE oid = ?")
    , updateKeys(db, "UPDATE sort_keys SET k0 = ?, k1 = ?, k2 = ?, k3 = ? WHERE db = ? AND oid = ?")
    , deleteRecord(db, "DELETE FROM records WHERE oid = ?")
    , deleteKeys(db, "DELETE FROM sort_keys WHERE db = ? AND oid = ?")
    , bumpDatabase(db,
          "UPDATE databases SET record_count = record_count + ?, size = size + ?, "
          "modified = ?, version = version + 1 WHERE oid = ? RETURNING version")
    , allocateOid(db, "UPDATE store_meta SET value = value + 1 WHERE key = 'next_oid' RETURNING value - 1")
    , nextOid(db, "SELECT value FROM store_meta WHERE key = 'next_oid'")
    , insertDatabase(db,
          "INSERT INTO databases(oid, name, name_key, type, sort_specs, modified) "
          "VALUES(?, ?, ?, ?, ?, ?)")
    , updateDatabase(db,
          "UPDATE databases SET name = ?, name_key = ?, type = ?, sort_specs = ?, "
          "modified = ?, version = version + 1 WHERE oid = ?")
    , deleteRecordsOf(db, "DELETE FROM records WHERE oid IN (SELECT oid FROM sort_keys WHERE db = ?)")
    , deleteKeysOf(db, "DELETE FROM sort_keys WHERE db = ?")
    , deleteDatabase(db, "DELETE FROM databases WHERE oid = ?")
    , recordsOf(db,
          "SELECT k.oid, r.props FROM sort_keys k JOIN records r ON r.oid = k.oid WHERE k.db = ? ORDER BY "
          "k.oid")
{
    for (int slot = 0; slot < int(CEDB_MAXSORTORDER); ++slot) {
        const std::string k { 'k', static_cast<char>('0' + slot) };
        keyOf[slot] = Statement(db, "SELECT " + k + " FROM sort_keys WHERE oid = ?1 AND db = ?2");
        // The key condition lets SQLite use the slot's partial index.
        orderByKey[slot] = Statement(db,
            "SELECT oid, " + k + " FROM sort_keys WHERE db = ? AND " + k + " IS NOT NULL ORDER BY " + k
                + ", oid");
    }
}

bool Store::Statements::Ready() const
{
    for (const Statement* s : { &beginRead, &beginWrite, &commit, &rollback, &savepoint, &release,
             &rollbackTo, &batchSavepoint, &batchRelease, &dataVersion, &dbByOid, &dbOidByName, &recordOf, &recordDb, &propsOf, &orderByOid,
             &insertRecord, &insertKeys, &updateRecord, &updateKeys, &deleteRecord, &deleteKeys,
             &bumpDatabase, &allocateOid, &nextOid, &insertDatabase, &updateDatabase, &deleteRecordsOf,
             &deleteKeysOf, &deleteDatabase, &recordsOf, &keyOf[0], &keyOf[1], &keyOf[2], &keyOf[3],
             &orderByKey[0], &orderByKey[1], &orderByKey[2], &orderByKey[3] })
        if (s->PrepareResult() != SQLITE_OK)
            return false;
    return true;
}

WriteScope::WriteScope(Store& store)
    : store_(store)
{
    // Whatever this scope changes, no copy may outlive it.
    store.readAhead_.Clear();
    if (store.readOnly_) {
        error_ = ERROR_ACCESS_DENIED;
        return;
    }
    if (store.txError_) {
        error_ = store.txError_;
        return;
    }
    if (!store.txDepth_)
        store.EndRead();
    const int rc = (store.txDepth_ ? store.st_->savepoint : store.st_->beginWrite).Run();
    if (rc != SQLITE_OK) {
        error_ = SqliteErrorToWin32(rc);
        return;
    }
    open_ = true;
    fullTextMark_ = store.fullText_->Mark();
    store.Sync();
}

WriteScope::~WriteScope()
{
    if (open_)
        Abandon();
}

DWORD WriteScope::Commit()
{
    // A write of its own feeds the search index before it commits; a batch
    // does so when it commits.
    int rc = store_.txDepth_ ? SQLITE_OK : store_.fullText_->Flush();
    if (rc == SQLITE_OK)
        rc = (store_.txDepth_ ? store_.st_->release : store_.st_->commit).Run();
    if (rc != SQLITE_OK) {
        error_ = SqliteErrorToWin32(rc);
        Abandon();
        return error_;
    }
    open_ = false;
    return 0;
}

DWORD WriteScope::Failed(int rc)
{
    error_ = SqliteErrorToWin32(rc);
    return error_;
}

void WriteScope::Abandon()
{
    open_ = false;
    Connection& c = store_.conn_;
    if (store_.txDepth_ == 0) {
        if (!c.InAutocommit())
            store_.st_->rollback.Run();
        store_.fullText_->DropAfter(0);
    } else if (c.InAutocommit()) {
        // SQLite ended the caller's transaction itself (disk full, I/O
        // error): the whole batch is void.
        store_.txError_ = error_ ? error_ : GetLastError();
        store_.pending_.clear();
        store_.fullText_->DropAfter(0);
        touched_ = true;
    } else {
        store_.st_->rollbackTo.Run();
        store_.st_->release.Run();
        store_.fullText_->DropAfter(fullTextMark_);
    }
    if (touched_)
        store_.InvalidateAll();
}

} // namespace objectstore
