#include "Store.h"

#include "CurrentStore.h"
#include "DataFolder.h"
#include "FullText.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "RecordCodec.h"
#include "Schema.h"
#include "SortKey.h"
#include "SqliteCompanions.h"
#include "StoreInternals.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace objectstore {

namespace {

// A read needing more is refused (8).
constexpr std::size_t kMaxReadBytes = 1u << 30;

// Calls within this time of each other share one read snapshot, so a walk
// over many records does not pay for a transaction (and its file locks) per
// call; changes of other processes show from the first call after it.
constexpr auto kReadWindow = std::chrono::milliseconds(20);

// Settings of each connection; they write nothing into the file. NORMAL
// synchronisation syncs the log at checkpoints, not at every commit (a power
// cut may lose the last commits but never damages the file); a small page
// cache (2 MiB): most reads of a big database miss any cache that fits in
// memory, and every page of cache is fresh memory to fault in; the log is
// cut back after checkpoints; the savepoint journal of each write inside a
// batch stays in memory instead of a temporary file.
const char* const kConnectionSetup = "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -2048; "
                                     "PRAGMA journal_size_limit = 16777216; PRAGMA temp_store = MEMORY;";

// Settings of the file, made once by the first writer: 16 KiB pages (a scan
// or an index build reads a quarter of the pages, and each read is a system
// call; only a new file takes them), and the write-ahead log, so readers
// never wait for a writer and a crash never damages the file.
const char* const kFileSetup = "PRAGMA page_size = 16384; PRAGMA journal_mode = WAL;";

// How long a write waits for another process's write to end (an integrity
// check running elsewhere is waited for to its end).
constexpr auto kBusyTimeout = std::chrono::seconds(5);

HANDLE ToHandle(std::uintptr_t id)
{
    return reinterpret_cast<HANDLE>(id);
}

} // namespace

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
    // Made here rather than by SQLite, so that it and its companions (which
    // take its mode) are private.
    if (!exists && !EnsurePrivateFile(file))
        return "cannot be created (" + std::string(std::strerror(errno)) + ")";
    if (std::string reason = Connect(); !reason.empty())
        return reason;
    if (std::filesystem::file_size(file, ec) > 0) {
        if (std::string reason = CheckExistingFile(conn_); !reason.empty())
            return reason;
    }
    sqlite3_db_config(conn_.Raw(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    sqlite3_busy_handler(conn_.Raw(), &Store::WaitWhileBusy, this);
    if (!markers_.Open(file.string() + "-open", readOnly_))
        return "cannot create its companion file " + file.string() + "-open (" + std::strerror(errno) + ")";
    if (conn_.Exec(kConnectionSetup) != SQLITE_OK)
        return "cannot be prepared for use (" + conn_.LastMessage() + ")";
    std::string reason;
    if (!NeedsSetup(conn_))
        reason = Prepare() ? "" : "cannot be used (" + conn_.LastMessage() + ")";
    else if (readOnly_)
        reason = "is read-only and was never set up";
    else
        reason = SetUp();
    if (!reason.empty())
        return reason;
    InvalidateAll();
    Refresh();
    return {};
}

std::string Store::Connect()
{
    if (const int rc = conn_.Open(path_.string(), false))
        return "cannot be opened (" + std::string(sqlite3_errstr(rc)) + ")";
    // Until the file is known to be ours and sound, closing must not write
    // anything back into it.
    sqlite3_db_config(conn_.Raw(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    const int probe = conn_.Exec("SELECT count(*) FROM sqlite_schema");
    if (probe != SQLITE_OK && SqliteCompanionsUnavailable(probe)) {
        if (!SqliteLogIsEmpty(path_))
            return "cannot be read: its log " + path_.string()
                + "-wal holds changes and its folder cannot be written (" + conn_.LastMessage() + ")";
        // The file holds everything and this process cannot change it: read
        // it as it is.
        if (const int rc = conn_.OpenImmutable(path_.string()))
            return "cannot be opened for reading (" + std::string(sqlite3_errstr(rc)) + ")";
    }
    readOnly_ = conn_.IsReadOnly();
    return {};
}

std::string Store::SetUp()
{
    if (conn_.Exec(kFileSetup) != SQLITE_OK)
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
    if (!reason.empty() && !conn_.InAutocommit())
        conn_.Exec("ROLLBACK");
    return reason;
}

int Store::WaitWhileBusy(void* context, int attempt)
{
    Store& store = *static_cast<Store*>(context);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0)
        store.busySince_ = now;
    if (store.markers_.CheckRunningElsewhere()) {
        if (!store.waitingForCheck_) {
            store.waitingForCheck_ = true;
            NoticeCheckWait(true);
        }
    } else if (now - store.busySince_ >= kBusyTimeout) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(25, 1 + 2 * attempt)));
    return 1;
}

void Store::EndCheckWait()
{
    if (!waitingForCheck_)
        return;
    waitingForCheck_ = false;
    NoticeCheckWait(false);
}

void Store::Checkpoint()
{
    if (readOnly_ || txDepth_ > 0)
        return;
    // This process's own snapshot must not hold the copy back.
    EndRead();
    sqlite3_wal_checkpoint_v2(conn_.Raw(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

bool Store::Prepare()
{
    st_ = std::make_unique<Statements>(conn_.Raw());
    fullText_ = std::make_unique<FullText>(conn_);
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
        st_->commit.Run();
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
    if (dataVersion_ != -1)
        ++outsideChanges_;
    dataVersion_ = version;
    rows_.clear();
    namedOids_.clear();
    readAhead_.Clear();
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
    namedOids_.clear();
    readAhead_.Clear();
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
    namedOids_.clear();
    // An index that handles still use (a new name or type leaves them open)
    // is rebuilt before its next use; dropping it from the map instead would
    // leave those handles with an order that no later write reaches.
    for (auto it = indices_.begin(); it != indices_.end();) {
        if (it->first.first != db) {
            ++it;
        } else if (it->second->users == 0) {
            it = indices_.erase(it);
        } else {
            it->second->stale = true;
            ++it;
        }
    }
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
    std::string key = FoldedUtf8(name);
    if (auto known = namedOids_.find(key); known != namedOids_.end())
        if (const DatabaseRow* row = LoadDatabase(known->second))
            return row;
    Statement& q = st_->dbOidByName;
    q.Bind(1, key);
    const bool found = q.Step();
    const auto oid = found ? static_cast<CEOID>(q.Int(0)) : 0;
    q.Reset();
    if (!found)
        return nullptr;
    namedOids_.insert_or_assign(std::move(key), oid);
    return LoadDatabase(oid);
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
    return oid >= FirstOid() && oid < next ? ERROR_KEY_DELETED : ERROR_INVALID_PARAMETER;
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
    int rc = SQLITE_OK;
    if (row) {
        index.Clear(static_cast<std::size_t>(row->records));
        Statement& q = h.slot < 0 ? st_->orderByOid : st_->orderByKey[h.slot];
        q.Bind(1, h.db);
        while (q.Step()) {
            const auto key = h.slot < 0 ? std::span<const BYTE>() : q.Blob(1);
            index.Append(
                { reinterpret_cast<const char*>(key.data()), key.size() }, static_cast<CEOID>(q.Int(0)));
        }
        rc = q.Error();
        q.Reset();
    }
    if (!row)
        return Fail(ERROR_INVALID_HANDLE);
    if (rc != SQLITE_OK) {
        index.Clear();
        return Fail(SqliteErrorToWin32(rc));
    }
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
        c.at = Cursor::At::Record;
        c.oid = index.At(0).oid;
        c.key.assign(index.At(0).key);
        c.hint = 0;
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
    const OrderEntry e = h.index->At(pos);
    // Assigned in place: stepping through records reuses the key's storage.
    Cursor& c = h.cursor;
    c.at = Cursor::At::Record;
    c.oid = e.oid;
    c.key.assign(e.key);
    c.hint = pos;
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
    SORTORDERSPEC sortOrder {};
    if (sortProp) {
        auto it = std::find_if(row->sorts.begin(), row->sorts.end(),
            [&](const SORTORDERSPEC& s) { return s.propid == sortProp; });
        if (it == row->sorts.end())
            return failed(ERROR_INVALID_PARAMETER);
        slot = static_cast<int>(it - row->sorts.begin());
        sortOrder = *it;
    }
    if (!markers_.AddHandle(row->oid))
        return failed(ERROR_SHARING_VIOLATION);
    auto handle = std::make_unique<Handle>();
    handle->db = row->oid;
    handle->slot = slot;
    handle->sortOrder = sortOrder;
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
    // Its walk ends; a later handle may get the same address.
    readAhead_.Forget(h);
    handles_.erase(reinterpret_cast<std::uintptr_t>(hv));
    markers_.RemoveHandle(db);
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
        if (h->slot < 0 || !wanted || wanted->propid != h->sortOrder.propid)
            return Fail(ERROR_INVALID_PARAMETER);
        const std::string key = SortKeyOfValue(h->sortOrder, *wanted);
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
    std::optional<std::span<const BYTE>> record = HeldRecord(*h, at.pos);
    if (!record) {
        q.Bind(1, oid).Bind(2, h->db);
        if (!q.Step()) {
            const int rc = q.Error();
            q.Reset();
            return Fail(rc ? SqliteErrorToWin32(rc) : ERROR_KEY_DELETED);
        }
        record = q.Blob(0);
    }
    // Kept between reads: a walk makes no allocations per record.
    std::vector<PropView>& props = readProps_;
    const bool parsed = ParseRecord(*record, props);
    if (!parsed) {
        q.Reset();
        return Fail(ERROR_BADDB);
    }
    // `props` points into the statement's row (until the reset below) or
    // into the read-ahead copies.
    const bool all = !ids || *count == 0 || ids[0] == 0;
    std::vector<const PropView*>& chosen = readChosen_;
    std::vector<CEPROPID>& wanted = readWanted_;
    chosen.clear();
    wanted.clear();
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

std::optional<std::span<const BYTE>> Store::HeldRecord(Handle& h, std::size_t pos)
{
    const CEOID oid = h.cursor.oid;
    const bool walking = readAhead_.Continues(&h, pos);
    if (auto held = readAhead_.Find(h.db, oid))
        return held;
    if (!walking || !ReadStretch(h, pos))
        return std::nullopt;
    return readAhead_.Find(h.db, oid);
}

bool Store::ReadStretch(Handle& h, std::size_t pos)
{
    const OrderIndex& order = *h.index;
    const std::size_t end = std::min(order.Size(), pos + readAhead_.Start(h.db));
    std::vector<CEOID>& oids = stretchOids_;
    oids.clear();
    for (std::size_t p = pos; p < end; ++p)
        oids.push_back(order.At(p).oid);
    std::sort(oids.begin(), oids.end());
    Statement& q = st_->propsOf;
    for (const CEOID oid : oids) {
        q.Bind(1, oid).Bind(2, h.db);
        if (q.Step()) {
            if (!readAhead_.Add(oid, q.Blob(0)))
                break;
        } else if (q.Error()) {
            // The reader falls back to reading one record and reports the error.
            q.Reset();
            readAhead_.Clear();
            return false;
        }
    }
    q.Reset();
    return true;
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
