// Everything that changes the store file: databases, records, sort orders,
// batches, and bringing the in-memory indices and the other handles in step.

#include "Store.h"

#include "BulkAllocator.h"
#include "FullText.h"
#include "LastError.h"
#include "RecordCodec.h"
#include "Schema.h"
#include "SortKey.h"
#include "StoreInternals.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>
#include <utility>

namespace objectstore {

namespace {

// Larger records are refused (87): far beyond any entry with a note, and it
// keeps one read buffer within reach of the local heap.
constexpr std::size_t kMaxRecordBytes = 64u << 20;

// From this size on a sort change rebuilds the changed slots' indices.
constexpr std::int64_t kRebuildIndexRecords = 2000;

} // namespace

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
            int rc = fullText_->Dropped(oid);
            if (rc == SQLITE_OK)
                rc = st_->deleteRecordsOf.Bind(1, oid).Run();
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
    if (reservedNext_ < reservedEnd_) {
        oid = static_cast<CEOID>(reservedNext_++);
        return true;
    }
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

BOOL Store::ReserveOids(DWORD count, CEOID& first)
{
    EndOidReservation();
    if (count == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    // Alone, the reservation is a commit of its own, synced to disk before
    // the caller relies on it (a caller may write the OIDs into a file next):
    // a power cut must not take the counter back below OIDs already named
    // elsewhere. Inside a caller's transaction it is part of that transaction.
    const bool alone = txDepth_ == 0;
    std::int64_t synchronous = 1;
    if (alone) {
        Statement mode(conn_.Raw(), "PRAGMA synchronous");
        if (mode.Step())
            synchronous = mode.Int(0);
        conn_.Exec("PRAGMA synchronous = FULL");
    }
    DWORD error = 0;
    std::int64_t start = 0;
    {
        WriteScope scope(*this);
        error = scope.Error();
        if (!error) {
            Statement reserve(conn_.Raw(),
                "UPDATE store_meta SET value = value + ?1 WHERE key = 'next_oid' RETURNING value - ?1");
            reserve.Bind(1, std::int64_t(count));
            const bool ok = reserve.Step();
            start = ok ? reserve.Int(0) : 0;
            const int rc = reserve.Error();
            reserve.Reset();
            // The counter never passes 0xFFFFFFFF (see AllocateOid).
            if (!ok)
                error = scope.Failed(rc ? rc : SQLITE_CORRUPT);
            else if (start <= 0 || start + count > 0xFFFFFFFFll)
                error = ERROR_DISK_FULL;
            else
                error = scope.Commit();
        }
    }
    if (alone)
        conn_.Exec(("PRAGMA synchronous = " + std::to_string(synchronous)).c_str());
    if (error)
        return Fail(error);
    reservedNext_ = start;
    reservedEnd_ = start + count;
    first = static_cast<CEOID>(start);
    return TRUE;
}

std::int64_t Store::FirstOid()
{
    Statement q(conn_.Raw(), "SELECT value FROM store_meta WHERE key = 'first_oid'");
    return q.Step() ? q.Int(0) : kFirstOid;
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
    if (rc == SQLITE_OK)
        rc = fullText_->Written(h.db, oid, props);
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
    if (rc == SQLITE_OK)
        rc = fullText_->Deleted(h->db, oid);
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
    // Indices no handle uses right now are kept in step too: a database that
    // is opened and closed around every use (the categories, once per
    // category an entry names) then never rebuilds its order from SQLite.
    for (auto it = indices_.lower_bound({ db, INT_MIN }); it != indices_.end() && it->first.first == db;) {
        OrderIndex& index = *it->second;
        const int slot = it->first.second;
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

    // Every record's new keys, back to back in one buffer: 100,000 records
    // would otherwise take 400,000 small allocations.
    struct Rekeyed {
        CEOID oid;
        std::uint32_t length[CEDB_MAXSORTORDER];
        std::uint64_t at;
    };
    std::vector<Rekeyed, BulkAllocator<Rekeyed>> all;
    std::vector<char, BulkAllocator<char>> keyBytes;
    all.reserve(static_cast<std::size_t>(row.records));
    Statement& q = st_->recordsOf;
    q.Bind(1, row.oid);
    std::vector<PropView> props;
    bool damaged = false;
    while (!damaged && q.Step()) {
        Rekeyed& r = all.emplace_back();
        r.oid = static_cast<CEOID>(q.Int(0));
        r.at = keyBytes.size();
        damaged = !ParseRecord(q.Blob(1), props);
        for (std::size_t i = 0; !damaged && i < sorts.size(); ++i) {
            const std::string key = SortKeyOfStored(sorts[i], FindProp(props, sorts[i].propid));
            r.length[i] = static_cast<std::uint32_t>(key.size());
            keyBytes.insert(keyBytes.end(), key.begin(), key.end());
        }
    }
    const int rc = q.Error();
    q.Reset();
    if (damaged)
        return Fail(ERROR_BADDB);
    if (rc)
        return Fail(SqliteErrorToWin32(rc));
    for (const Rekeyed& r : all) {
        std::string_view keys[CEDB_MAXSORTORDER];
        std::uint64_t at = r.at;
        for (std::size_t i = 0; i < sorts.size(); ++i) {
            keys[i] = { keyBytes.data() + at, r.length[i] };
            at += r.length[i];
        }
        if (const int urc = WriteKeys(st_->updateKeys, row.oid, r.oid, keys, sorts.size()))
            return Fail(SqliteErrorToWin32(urc));
    }
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
            // The change raises the database's version; texts stay as they are.
            int rc = fullText_->Changed(oid);
            if (rc == SQLITE_OK) {
                Statement& u = st_->updateDatabase;
                u.Bind(1, nameBytes).Bind(2, key).Bind(3, row.type).Bind(4, sortBytes);
                u.Bind(5, static_cast<std::int64_t>(modified)).Bind(6, oid);
                rc = u.Run();
            }
            if (rc)
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

BOOL Store::BeginTransaction()
{
    if (readOnly_)
        return Fail(ERROR_ACCESS_DENIED);
    if (txError_)
        return Fail(txError_);
    if (!txDepth_)
        EndRead();
    const int rc = (txDepth_ ? st_->batchSavepoint : st_->beginWrite).Run();
    if (rc != SQLITE_OK)
        return Fail(SqliteErrorToWin32(rc));
    if (txDepth_ == 0)
        Sync();
    pendingMarks_.push_back(pending_.size());
    fullTextMarks_.push_back(fullText_->Mark());
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
        if (const int rc = st_->batchRelease.Run()) {
            RollbackTransaction();
            return Fail(SqliteErrorToWin32(rc));
        }
        --txDepth_;
        pendingMarks_.pop_back();
        fullTextMarks_.pop_back();
        return TRUE;
    }
    if (const int rc = fullText_->Flush()) {
        RollbackTransaction();
        return Fail(SqliteErrorToWin32(rc));
    }
    if (const int rc = conn_.Exec("COMMIT")) {
        const DWORD error = SqliteErrorToWin32(rc);
        RollbackTransaction();
        return Fail(error);
    }
    txDepth_ = 0;
    pendingMarks_.clear();
    fullTextMarks_.clear();
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
        fullText_->DropAfter(0);
    } else {
        if (!txError_)
            conn_.Exec("ROLLBACK TO batch; RELEASE batch");
        pending_.resize(std::min(pending_.size(), pendingMarks_.back()));
        fullText_->DropAfter(fullTextMarks_.back());
    }
    --txDepth_;
    pendingMarks_.pop_back();
    fullTextMarks_.pop_back();
    InvalidateAll();
    return TRUE;
}

} // namespace objectstore
