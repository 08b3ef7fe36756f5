#include "Store.h"

#include "LastError.h"
#include "LocalHeap.h"
#include "RecordCodec.h"
#include "Schema.h"
#include "SortKey.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>

namespace objectstore {

namespace {

// Larger records are refused (87): far beyond any entry with a note, and it
// keeps one read buffer within reach of the local heap.
constexpr std::size_t kMaxRecordBytes = 64u << 20;
constexpr std::size_t kMaxReadBytes = 1u << 30;

// From this size on a sort change rebuilds the changed slots' indices.
constexpr std::int64_t kRebuildIndexRecords = 2000;

// Calls within this time of each other share one read snapshot, so a walk
// over many records does not pay for a transaction (and its file locks) per
// call; changes of other processes show from the first call after it.
constexpr auto kReadWindow = std::chrono::milliseconds(20);

// WAL for concurrent readers and crash safety; NORMAL synchronisation syncs
// the log at checkpoints, not at every commit (a power cut may lose the last
// commits but never damages the file); the log is cut back after
// checkpoints.
const char* const kConnectionSetup = "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                                     "PRAGMA cache_size = -8192; PRAGMA journal_size_limit = 16777216;";

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

HANDLE ToHandle(std::uintptr_t id)
{
    return reinterpret_cast<HANDLE>(id);
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

// Runs an insert or update of sort_keys whose parameters are k0..k3, db, oid;
// slots beyond `used` get NULL.
int WriteKeys(Statement& st, CEOID db, CEOID oid, const std::string* keys, std::size_t used)
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

std::string KeyColumn(const Statement& st, int column)
{
    const auto blob = st.Blob(column);
    return std::string(reinterpret_cast<const char*>(blob.data()), blob.size());
}

} // namespace

struct Store::Statements {
    explicit Statements(sqlite3* db)
        : beginRead(db, "BEGIN")
        , endRead(db, "COMMIT")
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
        , allocateOid(
              db, "UPDATE store_meta SET value = value + 1 WHERE key = 'next_oid' RETURNING value - 1")
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
        , recordsOf(
              db, "SELECT k.oid, r.props FROM sort_keys k JOIN records r ON r.oid = k.oid WHERE k.db = ?")
    {
        for (int slot = 0; slot < int(CEDB_MAXSORTORDER); ++slot) {
            const std::string k = "k" + std::to_string(slot);
            keyOf[slot] = Statement(db, "SELECT " + k + " FROM sort_keys WHERE oid = ?1 AND db = ?2");
            // The key condition lets SQLite use the slot's partial index.
            orderByKey[slot] = Statement(db,
                "SELECT oid, " + k + " FROM sort_keys WHERE db = ? AND " + k + " IS NOT NULL ORDER BY " + k
                    + ", oid");
        }
    }

    bool Ready() const
    {
        for (const Statement* s :
            { &beginRead, &endRead, &dataVersion, &dbByOid, &dbOidByName, &recordOf, &recordDb, &propsOf,
                &orderByOid, &insertRecord, &insertKeys, &updateRecord, &updateKeys, &deleteRecord,
                &deleteKeys, &bumpDatabase, &allocateOid, &nextOid, &insertDatabase, &updateDatabase,
                &deleteRecordsOf, &deleteKeysOf, &deleteDatabase, &recordsOf, &keyOf[0], &keyOf[1], &keyOf[2],
                &keyOf[3], &orderByKey[0], &orderByKey[1], &orderByKey[2], &orderByKey[3] })
            if (s->PrepareResult() != SQLITE_OK)
                return false;
        return true;
    }

    Statement beginRead, endRead, dataVersion, dbByOid, dbOidByName, recordOf, recordDb, propsOf, orderByOid,
        insertRecord, insertKeys, updateRecord, updateKeys, deleteRecord, deleteKeys, bumpDatabase,
        allocateOid, nextOid, insertDatabase, updateDatabase, deleteRecordsOf, deleteKeysOf, deleteDatabase,
        recordsOf;
    Statement keyOf[CEDB_MAXSORTORDER];
    Statement orderByKey[CEDB_MAXSORTORDER];
};

// One write as an atomic unit: its own transaction, or a savepoint inside the
// caller's transaction. Left without Commit it rolls back; if it had changed
// anything, every cached index and row is dropped, because they may have been
// brought in step with changes that no longer exist.
class WriteScope {
public:
    explicit WriteScope(Store& store)
        : store_(store)
    {
        if (store.txError_) {
            error_ = store.txError_;
            return;
        }
        if (!store.txDepth_)
            store.EndRead();
        const int rc = store.conn_.Exec(store.txDepth_ ? "SAVEPOINT write_scope" : "BEGIN IMMEDIATE");
        if (rc != SQLITE_OK) {
            error_ = SqliteErrorToWin32(rc);
            return;
        }
        open_ = true;
        store.Sync();
    }
    ~WriteScope()
    {
        if (open_)
            Abandon();
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    // The error that kept the scope from opening (0 when open).
    DWORD Error() const { return error_; }
    void Touch() { touched_ = true; }

    // Commits or releases; returns 0 or the error (the scope is then undone).
    DWORD Commit()
    {
        const int rc = store_.conn_.Exec(store_.txDepth_ ? "RELEASE write_scope" : "COMMIT");
        if (rc != SQLITE_OK) {
            error_ = SqliteErrorToWin32(rc);
            Abandon();
            return error_;
        }
        open_ = false;
        return 0;
    }

    // Records the error of a failed statement and returns it.
    DWORD Failed(int rc)
    {
        error_ = SqliteErrorToWin32(rc);
        return error_;
    }

private:
    void Abandon()
    {
        open_ = false;
        Connection& c = store_.conn_;
        if (store_.txDepth_ == 0) {
            if (!c.InAutocommit())
                c.Exec("ROLLBACK");
        } else if (c.InAutocommit()) {
            // SQLite ended the caller's transaction itself (disk full, I/O
            // error): the whole batch is void.
            store_.txError_ = error_ ? error_ : GetLastError();
            store_.pending_.clear();
            touched_ = true;
        } else {
            c.Exec("ROLLBACK TO write_scope; RELEASE write_scope");
        }
        if (touched_)
            store_.InvalidateAll();
    }

    Store& store_;
    bool open_ = false;
    bool touched_ = false;
    DWORD error_ = 0;
};

std::unique_ptr<Store> Store::Open(const std::filesystem::path& file, std::string& error)
{
    std::unique_ptr<Store> store(new Store());
    error = store->Initialise(file);
    if (!error.empty())
        return nullptr;
    return store;
}

Store::~Store()
{
    if ((txDepth_ || readOpen_) && conn_.IsOpen() && !conn_.InAutocommit())
        conn_.Exec("ROLLBACK");
    handles_.clear();
    st_.reset();
}

std::string Store::Initialise(const std::filesystem::path& file)
{
    path_ = file;
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (exists && !std::filesystem::is_regular_file(file, ec))
        return "is not a regular file";
    if (const int rc = conn_.Open(file.string(), !exists))
        return "cannot be opened (" + std::string(sqlite3_errstr(rc)) + ")";
    sqlite3_busy_timeout(conn_.Raw(), 5000);
    // Until the file is known to be ours and sound, closing must not write
    // anything back into it.
    sqlite3_db_config(conn_.Raw(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (exists && std::filesystem::file_size(file, ec) > 0) {
        if (std::string reason = CheckExistingFile(conn_); !reason.empty())
            return reason;
    }
    sqlite3_db_config(conn_.Raw(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    if (!markers_.Open(file.string() + "-open"))
        return "cannot create its companion file " + file.string() + "-open (" + std::strerror(errno) + ")";
    if (conn_.Exec(kConnectionSetup) != SQLITE_OK)
        return "cannot be prepared for use (" + conn_.LastMessage() + ")";
    if (conn_.Exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return "cannot be locked for setup (" + conn_.LastMessage() + ")";
    bool created = false;
    std::string reason = MigrateSchema(conn_, created);
    if (reason.empty() && !Prepare())
        reason = "cannot be used (" + conn_.LastMessage() + ")";
    if (reason.empty() && created) {
        txDepth_ = 1;
        reason = Provision();
        txDepth_ = 0;
    }
    if (reason.empty() && conn_.Exec("COMMIT") != SQLITE_OK)
        reason = "cannot be set up (" + conn_.LastMessage() + ")";
    if (!reason.empty()) {
        if (!conn_.InAutocommit())
            conn_.Exec("ROLLBACK");
        return reason;
    }
    InvalidateAll();
    Refresh();
    return {};
}

bool Store::Prepare()
{
    st_ = std::make_unique<Statements>(conn_.Raw());
    return st_->Ready();
}

Handle* Store::Find(HANDLE h)
{
    auto it = handles_.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == handles_.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

void Store::Refresh()
{
    if (txDepth_ > 0)
        return; // this process holds the write lock: nobody else can commit
    const auto now = std::chrono::steady_clock::now();
    if (readOpen_ && now - readSince_ < kReadWindow)
        return;
    EndRead();
    readOpen_ = st_->beginRead.Run() == SQLITE_OK;
    readSince_ = now;
    Sync();
}

void Store::EndRead()
{
    if (readOpen_ && !conn_.InAutocommit())
        st_->endRead.Run();
    readOpen_ = false;
}

void Store::Sync()
{
    Statement& q = st_->dataVersion;
    if (!q.Step()) {
        q.Reset();
        return;
    }
    const std::int64_t version = q.Int(0);
    q.Reset();
    if (version == dataVersion_)
        return;
    dataVersion_ = version;
    rows_.clear();
    for (auto it = indices_.begin(); it != indices_.end();) {
        const DatabaseRow* row = LoadDatabase(it->first.first);
        OrderIndex& index = *it->second;
        if (!row || row->version != index.version) {
            if (index.users == 0) {
                it = indices_.erase(it);
                continue;
            }
            index.stale = true;
        }
        ++it;
    }
}

void Store::InvalidateAll()
{
    rows_.clear();
    for (auto it = indices_.begin(); it != indices_.end();) {
        if (it->second->users == 0) {
            it = indices_.erase(it);
        } else {
            it->second->stale = true;
            ++it;
        }
    }
}

void Store::Forget(CEOID db)
{
    rows_.erase(db);
    std::erase_if(indices_, [db](const auto& entry) { return entry.first.first == db; });
}

const DatabaseRow* Store::LoadDatabase(CEOID oid)
{
    if (auto it = rows_.find(oid); it != rows_.end())
        return &it->second;
    Statement& q = st_->dbByOid;
    q.Bind(1, oid);
    if (!q.Step()) {
        q.Reset();
        return nullptr;
    }
    DatabaseRow row;
    row.oid = static_cast<CEOID>(q.Int(0));
    const auto name = q.Blob(1);
    for (std::size_t i = 0; i + 1 < name.size(); i += 2)
        row.name.push_back(static_cast<char16_t>(ReadLittleEndian(name.subspan(i, 2))));
    row.type = static_cast<DWORD>(q.Int(2));
    row.sorts = SortsOf(q.Blob(3));
    row.records = q.Int(4);
    row.size = q.Int(5);
    row.modified = static_cast<std::uint64_t>(q.Int(6));
    row.version = q.Int(7);
    q.Reset();
    return &rows_.insert_or_assign(oid, std::move(row)).first->second;
}

const DatabaseRow* Store::LoadDatabaseByName(LPCWSTR name)
{
    Statement& q = st_->dbOidByName;
    const std::string key = FoldedUtf8(name);
    q.Bind(1, key);
    const bool found = q.Step();
    const auto oid = found ? static_cast<CEOID>(q.Int(0)) : 0;
    q.Reset();
    return found ? LoadDatabase(oid) : nullptr;
}

DWORD Store::MissingObjectError(CEOID oid)
{
    if (oid == 0 || LoadDatabase(oid))
        return ERROR_INVALID_PARAMETER;
    Statement& r = st_->recordDb;
    r.Bind(1, oid);
    const bool isRecord = r.Step();
    r.Reset();
    if (isRecord)
        return ERROR_INVALID_PARAMETER;
    Statement& n = st_->nextOid;
    const std::int64_t next = n.Step() ? n.Int(0) : 0;
    n.Reset();
    // OIDs are never reused, so one below the counter belonged to an object
    // that has been deleted.
    return oid >= kFirstOid && oid < next ? ERROR_KEY_DELETED : ERROR_INVALID_PARAMETER;
}

std::optional<std::string> Store::KeyOf(CEOID db, CEOID oid, int slot)
{
    Statement& q = slot < 0 ? st_->propsOf : st_->keyOf[slot];
    q.Bind(1, oid).Bind(2, db);
    std::optional<std::string> key;
    if (q.Step())
        key = slot < 0 ? std::string() : KeyColumn(q, 0);
    q.Reset();
    return key;
}

std::shared_ptr<OrderIndex> Store::IndexFor(CEOID db, int slot)
{
    auto& index = indices_[{ db, slot }];
    if (!index)
        index = std::make_shared<OrderIndex>();
    return index;
}

bool Store::EnsureBuilt(Handle& h)
{
    OrderIndex& index = *h.index;
    if (!index.stale)
        return true;
    // Rows and version come from the caller's snapshot (Refresh), so the
    // index matches the version it is stamped with.
    rows_.erase(h.db);
    const DatabaseRow* row = LoadDatabase(h.db);
    std::vector<OrderEntry> entries;
    int rc = SQLITE_OK;
    if (row) {
        entries.reserve(static_cast<std::size_t>(row->records));
        Statement& q = h.slot < 0 ? st_->orderByOid : st_->orderByKey[h.slot];
        q.Bind(1, h.db);
        while (q.Step())
            entries.push_back({ h.slot < 0 ? std::string() : KeyColumn(q, 1), static_cast<CEOID>(q.Int(0)) });
        rc = q.Error();
        q.Reset();
    }
    if (!row)
        return Fail(ERROR_INVALID_HANDLE);
    if (rc != SQLITE_OK)
        return Fail(SqliteErrorToWin32(rc));
    index.Assign(std::move(entries));
    index.version = row->version;
    index.stale = false;
    return true;
}

Store::Located Store::Locate(Handle& h)
{
    OrderIndex& index = *h.index;
    Cursor& c = h.cursor;
    if (c.at == Cursor::At::Start) {
        if (index.Size() == 0)
            return { Where::End, 0 };
        c = { Cursor::At::Record, index.At(0).oid, index.At(0).key, 0 };
    }
    if (c.at == Cursor::At::End)
        return { Where::End, index.Size() };
    std::size_t pos = index.Find(c.key, c.oid, c.hint);
    if (pos == OrderIndex::npos) {
        // The record may have moved: a write changed its sort key.
        if (auto key = KeyOf(h.db, c.oid, h.slot)) {
            c.key = std::move(*key);
            pos = index.Find(c.key, c.oid);
        }
    }
    if (pos == OrderIndex::npos)
        return { Where::Deleted, index.LowerBound(c.key, c.oid) };
    c.hint = pos;
    return { Where::Record, pos };
}

CEOID Store::MoveTo(Handle& h, std::size_t pos, DWORD* index)
{
    const OrderEntry& e = h.index->At(pos);
    h.cursor = { Cursor::At::Record, e.oid, e.key, pos };
    if (index)
        *index = static_cast<DWORD>(pos);
    return e.oid;
}

CEOID Store::RunOff(Handle& h)
{
    h.cursor = { Cursor::At::End, 0, {}, 0 };
    SetLastError(ERROR_NO_MORE_ITEMS);
    return 0;
}

CEOID Store::CreateDatabase(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* specs)
{
    if (!ValidName(name) || !ValidSorts(numSortOrders, specs))
        return Fail(ERROR_INVALID_PARAMETER);
    WriteScope scope(*this);
    if (scope.Error())
        return Fail(scope.Error());
    if (LoadDatabaseByName(name))
        return Fail(ERROR_DUP_NAME);
    CEOID oid = 0;
    scope.Touch();
    if (!AllocateOid(oid))
        return 0;
    const std::vector<SORTORDERSPEC> sorts(specs, specs + numSortOrders);
    const std::vector<BYTE> nameBytes = NameBytes(name);
    const std::vector<BYTE> sortBytes = SortBytes(sorts);
    const std::string key = FoldedUtf8(name);
    Statement& ins = st_->insertDatabase;
    ins.Bind(1, oid).Bind(2, nameBytes).Bind(3, key).Bind(4, type).Bind(5, sortBytes);
    ins.Bind(6, static_cast<std::int64_t>(NowAsFileTime()));
    if (const int rc = ins.Run())
        return Fail(scope.Failed(rc));
    if (const DWORD error = scope.Commit())
        return Fail(error);
    return oid;
}

HANDLE Store::OpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notify)
{
    const auto failed = [](DWORD error) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    };
    if ((name && !ValidName(name)) || (!name && (!oid || !*oid)) || (flags & ~DWORD(CEDB_AUTOINCREMENT)))
        return failed(ERROR_INVALID_PARAMETER);
    Refresh();
    const DatabaseRow* row = name ? LoadDatabaseByName(name) : LoadDatabase(*oid);
    if (!row)
        return failed(ERROR_FILE_NOT_FOUND);
    int slot = -1;
    SORTORDERSPEC spec {};
    if (sortProp) {
        auto it = std::find_if(row->sorts.begin(), row->sorts.end(),
            [&](const SORTORDERSPEC& s) { return s.propid == sortProp; });
        if (it == row->sorts.end())
            return failed(ERROR_INVALID_PARAMETER);
        slot = static_cast<int>(it - row->sorts.begin());
        spec = *it;
    }
    if (!markers_.AddHandle(row->oid))
        return failed(ERROR_SHARING_VIOLATION);
    auto handle = std::make_unique<Handle>();
    handle->db = row->oid;
    handle->slot = slot;
    handle->spec = spec;
    handle->flags = flags;
    handle->notify = static_cast<DbNotifyTarget*>(notify);
    handle->index = IndexFor(row->oid, slot);
    ++handle->index->users;
    if (oid)
        *oid = row->oid;
    const std::uintptr_t id = nextHandle_++;
    handles_.emplace(id, std::move(handle));
    return ToHandle(id);
}

BOOL Store::CloseHandle(HANDLE hv)
{
    Handle* h = Find(hv);
    if (!h)
        return FALSE;
    const CEOID db = h->db;
    if (--h->index->users == 0 && h->index->stale)
        indices_.erase({ db, h->slot });
    handles_.erase(reinterpret_cast<std::uintptr_t>(hv));
    markers_.RemoveHandle(db);
    return TRUE;
}

BOOL Store::DeleteDatabase(CEOID oid)
{
    Refresh();
    if (!LoadDatabase(oid))
        return Fail(oid ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    if (!markers_.BeginExclusive(oid))
        return Fail(ERROR_SHARING_VIOLATION);
    DWORD error = 0;
    {
        WriteScope scope(*this);
        error = scope.Error();
        if (!error) {
            scope.Touch();
            int rc = st_->deleteRecordsOf.Bind(1, oid).Run();
            if (rc == SQLITE_OK)
                rc = st_->deleteKeysOf.Bind(1, oid).Run();
            if (rc == SQLITE_OK)
                rc = st_->deleteDatabase.Bind(1, oid).Run();
            error = rc ? scope.Failed(rc) : scope.Commit();
        }
    }
    markers_.EndExclusive(oid);
    if (error)
        return Fail(error);
    Forget(oid);
    return TRUE;
}

CEOID Store::Seek(HANDLE hv, DWORD seekType, DWORD_PTR value, DWORD* index)
{
    Handle* h = Find(hv);
    if (!h)
        return 0;
    Refresh();
    if (!EnsureBuilt(*h))
        return 0;
    OrderIndex& order = *h->index;
    const auto size = static_cast<std::int64_t>(order.Size());
    const auto delta = static_cast<LONG>(static_cast<DWORD>(value));
    const auto moveOrRunOff = [&](std::int64_t target) {
        return target >= 0 && target < size ? MoveTo(*h, static_cast<std::size_t>(target), index)
                                            : RunOff(*h);
    };
    switch (seekType) {
    case CEDB_SEEK_CEOID: {
        const auto oid = static_cast<CEOID>(value);
        const auto key = oid ? KeyOf(h->db, oid, h->slot) : std::nullopt;
        if (!key)
            return Fail(MissingObjectError(oid));
        std::size_t pos = order.Find(*key, oid);
        if (pos == OrderIndex::npos) {
            order.stale = true;
            if (!EnsureBuilt(*h))
                return 0;
            pos = order.Find(*key, oid);
            if (pos == OrderIndex::npos)
                return Fail(ERROR_KEY_DELETED);
        }
        return MoveTo(*h, pos, index);
    }
    case CEDB_SEEK_BEGINNING:
        return moveOrRunOff(value < DWORD_PTR(size) ? std::int64_t(value) : size);
    case CEDB_SEEK_END:
        return moveOrRunOff(delta > 0 ? size : size - 1 + delta);
    case CEDB_SEEK_CURRENT: {
        const Located at = Locate(*h);
        const auto pos = static_cast<std::int64_t>(at.pos);
        switch (at.where) {
        case Where::Record:
            return moveOrRunOff(pos + delta);
        case Where::Deleted:
            // The deleted record sat just before `pos`.
            if (delta == 0)
                return Fail(ERROR_KEY_DELETED);
            return moveOrRunOff(delta > 0 ? pos + delta - 1 : pos + delta);
        case Where::End:
            return delta < 0 ? moveOrRunOff(size + delta) : RunOff(*h);
        }
        return 0;
    }
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUENEXTEQUAL: {
        const auto* wanted = reinterpret_cast<const CEPROPVAL*>(value);
        if (h->slot < 0 || !wanted || wanted->propid != h->spec.propid)
            return Fail(ERROR_INVALID_PARAMETER);
        const std::string key = SortKeyOfValue(h->spec, *wanted);
        std::size_t pos = 0;
        if (seekType == CEDB_SEEK_VALUEFIRSTEQUAL) {
            pos = order.LowerBound(key, 0);
        } else {
            const Located at = Locate(*h);
            if (at.where == Where::End)
                return Fail(ERROR_NO_MORE_ITEMS);
            pos = at.where == Where::Record ? at.pos + 1 : at.pos;
        }
        if (pos < order.Size() && order.At(pos).key == key)
            return MoveTo(*h, pos, index);
        return Fail(ERROR_NO_MORE_ITEMS);
    }
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

CEOID Store::ReadProps(
    HANDLE hv, DWORD flags, WORD* count, const CEPROPID* ids, LPBYTE* buffer, DWORD* bufferSize)
{
    Handle* h = Find(hv);
    if (!h)
        return 0;
    if (!count || !buffer)
        return Fail(ERROR_INVALID_PARAMETER);
    Refresh();
    if (!EnsureBuilt(*h))
        return 0;
    const Located at = Locate(*h);
    if (at.where != Where::Record)
        return Fail(at.where == Where::End ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED);
    const CEOID oid = h->cursor.oid;

    Statement& q = st_->propsOf;
    q.Bind(1, oid).Bind(2, h->db);
    if (!q.Step()) {
        const int rc = q.Error();
        q.Reset();
        return Fail(rc ? SqliteErrorToWin32(rc) : ERROR_KEY_DELETED);
    }
    std::vector<PropView> props;
    const bool parsed = ParseRecord(q.Blob(0), props);
    if (!parsed) {
        q.Reset();
        return Fail(ERROR_BADDB);
    }
    // `props` points into the statement's row until the reset below.
    const bool all = !ids || *count == 0 || ids[0] == 0;
    std::vector<const PropView*> chosen;
    std::vector<CEPROPID> wanted;
    const std::size_t n = all ? props.size() : *count;
    chosen.reserve(n);
    wanted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const CEPROPID id = all ? props[i].id : ids[i];
        if (!IsValueType(TypeFromPropID(id)) || NumberFromPropID(id) == 0) {
            q.Reset();
            return Fail(ERROR_INVALID_PARAMETER);
        }
        chosen.push_back(FindProp(props, id));
        wanted.push_back(id);
    }
    const std::size_t needed = ReadBufferSize(chosen);
    DWORD error = ERROR_SUCCESS;
    if (chosen.size() > 0xFFFF)
        error = ERROR_INVALID_PARAMETER;
    else if (needed > kMaxReadBytes)
        error = ERROR_NOT_ENOUGH_MEMORY;
    const std::size_t capacity = *buffer ? (bufferSize ? *bufferSize : LocalSize(*buffer)) : 0;
    if (!error && (!*buffer || needed > capacity)) {
        if (!(flags & CEDB_ALLOWREALLOC)) {
            if (bufferSize)
                *bufferSize = static_cast<DWORD>(needed);
            error = ERROR_INSUFFICIENT_BUFFER;
        } else if (void* grown = LocalReAlloc(*buffer, needed, LMEM_MOVEABLE)) {
            *buffer = static_cast<LPBYTE>(grown);
        } else {
            error = ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    if (!error) {
        FillReadBuffer(chosen, wanted, *buffer);
        *count = static_cast<WORD>(chosen.size());
        if (bufferSize)
            *bufferSize = static_cast<DWORD>(needed);
    }
    q.Reset();
    if (error)
        return Fail(error);
    if (h->flags & CEDB_AUTOINCREMENT) {
        if (at.pos + 1 < h->index->Size())
            MoveTo(*h, at.pos + 1, nullptr);
        else
            h->cursor = { Cursor::At::End, 0, {}, 0 };
    }
    return oid;
}

bool Store::LoadOld(CEOID db, CEOID oid, OldRecord& old)
{
    Statement& q = st_->recordOf;
    q.Bind(1, oid);
    if (!q.Step() || static_cast<CEOID>(q.Int(0)) != db) {
        const int rc = q.Error();
        q.Reset();
        SetLastError(rc ? SqliteErrorToWin32(rc) : MissingObjectError(oid));
        return false;
    }
    const auto props = q.Blob(1);
    old.props.assign(props.begin(), props.end());
    for (int slot = 0; slot < int(CEDB_MAXSORTORDER); ++slot)
        if (!q.IsNull(2 + slot))
            old.keys[slot] = KeyColumn(q, 2 + slot);
    q.Reset();
    return true;
}

bool Store::AllocateOid(CEOID& oid)
{
    Statement& q = st_->allocateOid;
    const bool ok = q.Step();
    const std::int64_t value = ok ? q.Int(0) : 0;
    const int rc = q.Error();
    q.Reset();
    if (!ok)
        return Fail(rc ? SqliteErrorToWin32(rc) : ERROR_BADDB);
    // 0xFFFFFFFF is "none" in positions; the counter never wraps, so a store
    // that has used every OID refuses to create more.
    if (value <= 0 || value >= 0xFFFFFFFFll)
        return Fail(ERROR_DISK_FULL);
    oid = static_cast<CEOID>(value);
    return true;
}

bool Store::BumpDatabase(CEOID db, std::int64_t recordDelta, std::int64_t sizeDelta, std::int64_t& version)
{
    const std::uint64_t now = NowAsFileTime();
    Statement& q = st_->bumpDatabase;
    q.Bind(1, recordDelta).Bind(2, sizeDelta).Bind(3, static_cast<std::int64_t>(now)).Bind(4, db);
    const bool ok = q.Step();
    version = ok ? q.Int(0) : 0;
    const int rc = q.Error();
    q.Reset();
    if (!ok)
        return Fail(rc ? SqliteErrorToWin32(rc) : ERROR_INVALID_HANDLE);
    if (auto it = rows_.find(db); it != rows_.end()) {
        it->second.records += recordDelta;
        it->second.size += sizeDelta;
        it->second.modified = now;
        it->second.version = version;
    }
    return true;
}

CEOID Store::WriteInScope(Handle& h, CEOID oid, WORD count, const CEPROPVAL* values, bool& created,
    OldRecord& old, std::string (&keys)[CEDB_MAXSORTORDER], std::int64_t& version)
{
    const DatabaseRow* row = LoadDatabase(h.db);
    if (!row)
        return Fail(ERROR_INVALID_HANDLE);
    const std::vector<SORTORDERSPEC> sorts = row->sorts;
    created = oid == 0;
    std::vector<PropView> props;
    if (!created) {
        if (!LoadOld(h.db, oid, old))
            return 0;
        if (!ParseRecord(old.props, props))
            return Fail(ERROR_BADDB);
    }
    std::vector<std::vector<BYTE>> scratch;
    if (const DWORD error = MergeValues(props, values, count, scratch))
        return Fail(error);
    if (props.size() > 0xFFFF)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::vector<BYTE> bytes = SerializeRecord(props);
    if (bytes.size() > kMaxRecordBytes)
        return Fail(ERROR_INVALID_PARAMETER);
    for (std::size_t i = 0; i < sorts.size(); ++i)
        keys[i] = SortKeyOfStored(sorts[i], FindProp(props, sorts[i].propid));

    if (created && !AllocateOid(oid))
        return 0;
    Statement& q = created ? st_->insertRecord : st_->updateRecord;
    if (created)
        q.Bind(1, oid).Bind(2, h.db).Bind(3, bytes);
    else
        q.Bind(1, bytes).Bind(2, oid);
    int rc = q.Run();
    // Keys are written only when one of them changed: a counter update does
    // not touch the sort indices.
    bool keysChanged = created;
    for (std::size_t i = 0; i < sorts.size(); ++i)
        keysChanged = keysChanged || !old.keys[i] || *old.keys[i] != keys[i];
    if (rc == SQLITE_OK && keysChanged)
        rc = WriteKeys(created ? st_->insertKeys : st_->updateKeys, h.db, oid, keys, sorts.size());
    if (rc)
        return Fail(SqliteErrorToWin32(rc));
    const std::int64_t sizeDelta = std::int64_t(bytes.size()) - std::int64_t(old.props.size());
    if (!BumpDatabase(h.db, created ? 1 : 0, sizeDelta, version))
        return 0;
    return oid;
}

CEOID Store::WriteProps(HANDLE hv, CEOID oid, WORD count, const CEPROPVAL* values)
{
    Handle* h = Find(hv);
    if (!h)
        return 0;
    if (count && !values)
        return Fail(ERROR_INVALID_PARAMETER);
    WriteScope scope(*this);
    if (scope.Error())
        return Fail(scope.Error());
    bool created = false;
    OldRecord old;
    std::string keys[CEDB_MAXSORTORDER];
    std::int64_t version = 0;
    scope.Touch();
    const CEOID written = WriteInScope(*h, oid, count, values, created, old, keys, version);
    if (!written)
        return 0;
    if (const DWORD error = scope.Commit())
        return Fail(error);
    ApplyToIndices(h->db, written, created ? nullptr : &old, keys, version);
    Announce(h, created ? DB_CEOID_CREATED : DB_CEOID_CHANGED, written);
    return written;
}

BOOL Store::DeleteRecord(HANDLE hv, CEOID oid)
{
    Handle* h = Find(hv);
    if (!h)
        return FALSE;
    WriteScope scope(*this);
    if (scope.Error())
        return Fail(scope.Error());
    OldRecord old;
    if (!oid || !LoadOld(h->db, oid, old))
        return oid ? FALSE : Fail(ERROR_INVALID_PARAMETER);
    scope.Touch();
    int rc = st_->deleteRecord.Bind(1, oid).Run();
    if (rc == SQLITE_OK)
        rc = st_->deleteKeys.Bind(1, h->db).Bind(2, oid).Run();
    if (rc)
        return Fail(scope.Failed(rc));
    std::int64_t version = 0;
    if (!BumpDatabase(h->db, -1, -std::int64_t(old.props.size()), version))
        return FALSE;
    if (const DWORD error = scope.Commit())
        return Fail(error);
    ApplyToIndices(h->db, oid, &old, nullptr, version);
    Announce(h, DB_CEOID_RECORD_DELETED, oid);
    return TRUE;
}

void Store::ApplyToIndices(
    CEOID db, CEOID oid, const OldRecord* old, const std::string* keys, std::int64_t version)
{
    for (auto it = indices_.lower_bound({ db, INT_MIN }); it != indices_.end() && it->first.first == db;) {
        OrderIndex& index = *it->second;
        const int slot = it->first.second;
        if (index.users == 0) {
            it = indices_.erase(it);
            continue;
        }
        if (index.stale || version == 0 || index.version != version - 1) {
            index.stale = true;
            ++it;
            continue;
        }
        static const std::string none;
        const std::string* oldKey = !old ? nullptr
            : slot < 0                   ? &none
            : old->keys[slot]            ? &*old->keys[slot]
                                         : nullptr;
        const std::string* newKey = !keys ? nullptr : slot < 0 ? &none : &keys[slot];
        if (!(oldKey && newKey && *oldKey == *newKey)) {
            if (oldKey)
                index.Erase(*oldKey, oid);
            if (newKey)
                index.Insert(*newKey, oid);
        }
        index.version = version;
        ++it;
    }
}

void Store::Announce(const Handle* origin, UINT code, CEOID oid)
{
    std::vector<Notice> notices;
    for (const auto& [id, h] : handles_)
        if (h.get() != origin && h->db == origin->db && h->notify)
            notices.push_back({ id, code, oid });
    if (txDepth_ > 0)
        pending_.insert(pending_.end(), notices.begin(), notices.end());
    else
        Deliver(std::move(notices));
}

void Store::Deliver(std::vector<Notice> notices)
{
    std::vector<std::tuple<DbNotifyTarget*, UINT, CEOID>> done;
    for (const Notice& n : notices) {
        auto it = handles_.find(n.handle);
        if (it == handles_.end() || !it->second->notify)
            continue;
        const auto call = std::make_tuple(it->second->notify, n.code, n.oid);
        if (std::find(done.begin(), done.end(), call) != done.end())
            continue;
        done.push_back(call);
        it->second->notify->OnDbNotify(n.code, n.oid);
    }
}

bool Store::RekeyRecords(const DatabaseRow& row, const std::vector<SORTORDERSPEC>& oldSorts)
{
    const std::vector<SORTORDERSPEC>& sorts = row.sorts;
    // A big database is re-keyed with the indices of its changed slots taken
    // away and built again afterwards: one sort instead of a random index
    // update per record.
    std::vector<int> changed;
    for (std::size_t slot = 0; slot < CEDB_MAXSORTORDER; ++slot) {
        const SORTORDERSPEC* before = slot < oldSorts.size() ? &oldSorts[slot] : nullptr;
        const SORTORDERSPEC* after = slot < sorts.size() ? &sorts[slot] : nullptr;
        if ((before == nullptr) != (after == nullptr)
            || (before && (before->propid != after->propid || before->dwFlags != after->dwFlags)))
            changed.push_back(static_cast<int>(slot));
    }
    const bool rebuild = row.records >= kRebuildIndexRecords;
    if (rebuild)
        for (int slot : changed)
            if (const int rc
                = conn_.Exec(("DROP INDEX IF EXISTS sort_keys_k" + std::to_string(slot)).c_str()))
                return Fail(SqliteErrorToWin32(rc));

    struct Rekeyed {
        CEOID oid;
        std::string keys[CEDB_MAXSORTORDER];
    };
    std::vector<Rekeyed> all;
    all.reserve(static_cast<std::size_t>(row.records));
    Statement& q = st_->recordsOf;
    q.Bind(1, row.oid);
    std::vector<PropView> props;
    bool damaged = false;
    while (!damaged && q.Step()) {
        Rekeyed& r = all.emplace_back();
        r.oid = static_cast<CEOID>(q.Int(0));
        damaged = !ParseRecord(q.Blob(1), props);
        for (std::size_t i = 0; !damaged && i < sorts.size(); ++i)
            r.keys[i] = SortKeyOfStored(sorts[i], FindProp(props, sorts[i].propid));
    }
    const int rc = q.Error();
    q.Reset();
    if (damaged)
        return Fail(ERROR_BADDB);
    if (rc)
        return Fail(SqliteErrorToWin32(rc));
    for (const Rekeyed& r : all)
        if (const int urc = WriteKeys(st_->updateKeys, row.oid, r.oid, r.keys, sorts.size()))
            return Fail(SqliteErrorToWin32(urc));
    if (rebuild)
        for (int slot : changed)
            if (const int crc = conn_.Exec(KeyIndexSql(slot).c_str()))
                return Fail(SqliteErrorToWin32(crc));
    return true;
}

BOOL Store::SetDatabaseInfo(CEOID oid, const CEDBASEINFO* info)
{
    if (!info)
        return Fail(ERROR_INVALID_PARAMETER);
    const bool newName = info->dwFlags & CEDB_VALIDNAME;
    const bool newSorts = info->dwFlags & CEDB_VALIDSORTSPEC;
    const std::u16string_view name(info->szDbaseName,
        std::find(info->szDbaseName, info->szDbaseName + CEDB_MAXDBASENAMELEN, u'\0') - info->szDbaseName);
    if (newName && (name.empty() || name.size() >= CEDB_MAXDBASENAMELEN))
        return Fail(ERROR_INVALID_PARAMETER);
    if (newSorts && !ValidSorts(info->wNumSortOrder, info->rgSortSpecs))
        return Fail(ERROR_INVALID_PARAMETER);
    Refresh();
    const DatabaseRow* current = LoadDatabase(oid);
    if (!current)
        return Fail(ERROR_FILE_NOT_FOUND);
    DatabaseRow row = *current;
    const std::vector<SORTORDERSPEC> oldSorts = current->sorts;
    if (newSorts && !markers_.BeginExclusive(oid))
        return Fail(ERROR_SHARING_VIOLATION);
    DWORD error = 0;
    {
        WriteScope scope(*this);
        error = scope.Error();
        if (!error && newName) {
            const std::u16string wanted(name);
            const DatabaseRow* other = LoadDatabaseByName(wanted.c_str());
            if (other && other->oid != oid)
                error = ERROR_DUP_NAME;
            row.name = wanted;
        }
        if (!error) {
            if (info->dwFlags & CEDB_VALIDTYPE)
                row.type = info->dwDbaseType;
            if (newSorts)
                row.sorts.assign(info->rgSortSpecs, info->rgSortSpecs + info->wNumSortOrder);
            const std::uint64_t modified = (info->dwFlags & CEDB_VALIDMODTIME)
                ? (std::uint64_t(info->ftLastModified.dwHighDateTime) << 32)
                    | info->ftLastModified.dwLowDateTime
                : NowAsFileTime();
            scope.Touch();
            const std::vector<BYTE> nameBytes = NameBytes(row.name);
            const std::vector<BYTE> sortBytes = SortBytes(row.sorts);
            const std::string key = FoldedUtf8(row.name);
            Statement& u = st_->updateDatabase;
            u.Bind(1, nameBytes).Bind(2, key).Bind(3, row.type).Bind(4, sortBytes);
            u.Bind(5, static_cast<std::int64_t>(modified)).Bind(6, oid);
            if (const int rc = u.Run())
                error = scope.Failed(rc);
            else if (newSorts && !RekeyRecords(row, oldSorts))
                error = GetLastError();
            if (!error)
                error = scope.Commit();
        }
    }
    if (newSorts)
        markers_.EndExclusive(oid);
    if (error)
        return Fail(error);
    Forget(oid);
    return TRUE;
}

BOOL Store::OidGetInfo(CEOID oid, CEOIDINFO* info)
{
    if (!info)
        return Fail(ERROR_INVALID_PARAMETER);
    Refresh();
    *info = CEOIDINFO {};
    if (const DatabaseRow* row = oid ? LoadDatabase(oid) : nullptr) {
        info->wObjType = OBJTYPE_DATABASE;
        CEDBASEINFO& d = info->infDatabase;
        d.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_VALIDMODTIME;
        std::copy(row->name.begin(), row->name.end(), d.szDbaseName);
        d.dwDbaseType = row->type;
        // The 16-bit count saturates rather than wraps; CeGetRecordCount
        // gives the full number.
        d.wNumRecords = static_cast<WORD>(std::min<std::int64_t>(row->records, 0xFFFF));
        d.wNumSortOrder = static_cast<WORD>(row->sorts.size());
        d.dwSize = static_cast<DWORD>(std::min<std::int64_t>(row->size, 0xFFFFFFFF));
        d.ftLastModified = ToFileTime(row->modified);
        std::copy(row->sorts.begin(), row->sorts.end(), d.rgSortSpecs);
        return TRUE;
    }
    Statement& q = st_->recordDb;
    q.Bind(1, oid);
    const bool isRecord = oid && q.Step();
    const CEOID parent = isRecord ? static_cast<CEOID>(q.Int(0)) : 0;
    q.Reset();
    if (!isRecord)
        return Fail(MissingObjectError(oid));
    info->wObjType = OBJTYPE_RECORD;
    info->infRecord.oidParent = parent;
    return TRUE;
}

DWORD Store::RecordCount(HANDLE hv)
{
    Handle* h = Find(hv);
    if (!h)
        return 0xFFFFFFFF;
    Refresh();
    const DatabaseRow* row = LoadDatabase(h->db);
    if (!row) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0xFFFFFFFF;
    }
    return static_cast<DWORD>(row->records);
}

BOOL Store::BeginTransaction()
{
    if (txError_)
        return Fail(txError_);
    if (!txDepth_)
        EndRead();
    const int rc = conn_.Exec(txDepth_ ? "SAVEPOINT batch" : "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return Fail(SqliteErrorToWin32(rc));
    if (txDepth_ == 0)
        Sync();
    pendingMarks_.push_back(pending_.size());
    ++txDepth_;
    return TRUE;
}

BOOL Store::CommitTransaction()
{
    if (txDepth_ == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (txError_) {
        const DWORD error = txError_;
        RollbackTransaction();
        return Fail(error);
    }
    if (txDepth_ > 1) {
        if (const int rc = conn_.Exec("RELEASE batch")) {
            RollbackTransaction();
            return Fail(SqliteErrorToWin32(rc));
        }
        --txDepth_;
        pendingMarks_.pop_back();
        return TRUE;
    }
    if (const int rc = conn_.Exec("COMMIT")) {
        const DWORD error = SqliteErrorToWin32(rc);
        RollbackTransaction();
        return Fail(error);
    }
    txDepth_ = 0;
    pendingMarks_.clear();
    Deliver(std::exchange(pending_, {}));
    return TRUE;
}

BOOL Store::RollbackTransaction()
{
    if (txDepth_ == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (txDepth_ == 1) {
        if (!conn_.InAutocommit())
            conn_.Exec("ROLLBACK");
        txError_ = 0;
        pending_.clear();
    } else {
        if (!txError_)
            conn_.Exec("ROLLBACK TO batch; RELEASE batch");
        pending_.resize(std::min(pending_.size(), pendingMarks_.back()));
    }
    --txDepth_;
    pendingMarks_.pop_back();
    InvalidateAll();
    return TRUE;
}

BOOL Store::SetSizeLimit(std::uint64_t bytes)
{
    std::int64_t pageSize = 4096;
    Statement q(conn_.Raw(), "PRAGMA page_size");
    if (q.Step())
        pageSize = q.Int(0);
    // SQLite's own ceiling when no cap is wanted.
    const std::uint64_t pages = bytes ? bytes / std::uint64_t(pageSize) : 0xFFFFFFFEull;
    const std::string sql = "PRAGMA max_page_count = " + std::to_string(std::max<std::uint64_t>(pages, 1));
    Statement set(conn_.Raw(), sql);
    set.Step();
    return set.Error() ? Fail(SqliteErrorToWin32(set.Error())) : TRUE;
}

} // namespace objectstore
