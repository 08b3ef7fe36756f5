#pragma once
// One open object store file: the engine behind the Ce* calls. It owns the
// SQLite connection, the open handles with their cursors, the shared in-memory
// order indices and the cross-process open markers. Every method follows the
// service's conventions (result 0/FALSE/null plus SetLastError; see
// CeDatabase.h). Not thread-safe: CeDatabase.cpp serialises all calls.

#include "CeDbTypes.h"
#include "DbNotifyTarget.h"
#include "FullTextIndex.h"
#include "OpenMarkers.h"
#include "OrderIndex.h"
#include "ReadAhead.h"
#include "RecordCodec.h"
#include "Sqlite.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace objectstore {

class FullText;

struct DatabaseRow {
    CEOID oid = 0;
    std::u16string name;
    DWORD type = 0;
    std::vector<SORTORDERSPEC> sorts;
    std::int64_t records = 0;
    std::int64_t size = 0;
    std::uint64_t modified = 0;
    std::int64_t version = 0;
};

// Where a handle's cursor stands. A record cursor keeps the record's sort key
// and OID, so it finds its place again after the order index changed.
struct Cursor {
    enum class At { Start, Record, End };
    At at = At::Start;
    CEOID oid = 0;
    std::string key;
    std::size_t hint = 0;
};

struct Handle {
    CEOID db = 0;
    int slot = -1; // sort order in use; -1: OID order
    SORTORDERSPEC sortOrder {};
    DWORD flags = 0;
    DbNotifyTarget* notify = nullptr;
    std::shared_ptr<OrderIndex> index;
    Cursor cursor;
};

class Store {
public:
    // Opens or creates the store file; null with `error` set on failure.
    static std::unique_ptr<Store> Open(const std::filesystem::path& file, std::string& error);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    bool HasHandles() const { return !handles_.empty(); }
    // True when this process can only read the store (read-only file, folder
    // or medium, or a full disk that left no room for the log): every write
    // fails with 5 (access denied).
    bool ReadOnly() const { return readOnly_; }

    // Copies every change the log holds into the main file as far as no
    // reader still needs the old pages, without waiting for anyone; the log
    // is emptied when nobody reads. Nothing to do for a read-only store.
    void Checkpoint();

    // The integrity check's mark (OpenMarkers.h): false when another process
    // runs a check.
    bool BeginCheck() { return markers_.BeginCheck(); }
    void EndCheck() { markers_.EndCheck(); }
    bool CheckRunningElsewhere() const { return markers_.CheckRunningElsewhere(); }
    // Ends a wait for another process's check that the last call went
    // through (the wait notice is told).
    void EndCheckWait();
    // How many times the file was seen changed by another connection; looks
    // again first (cheap: no record is read).
    std::uint64_t OutsideChanges()
    {
        Refresh();
        return outsideChanges_;
    }

    CEOID CreateDatabase(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* specs);
    HANDLE OpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notify);
    BOOL DeleteDatabase(CEOID oid);
    CEOID Seek(HANDLE h, DWORD seekType, DWORD_PTR value, DWORD* index);
    CEOID ReadProps(
        HANDLE h, DWORD flags, WORD* count, const CEPROPID* ids, LPBYTE* buffer, DWORD* bufferSize);
    CEOID WriteProps(HANDLE h, CEOID oid, WORD count, const CEPROPVAL* values);
    CEOID FindText(HANDLE h, CEPROPID prop, LPCWSTR text, BOOL caseSensitive);
    // Full-text index and whole-database text searches (FullTextIndex.h).
    BOOL BuildFullText(CEOID db, WORD count, const CEPROPID* props, const FullTextBuildProgress& progress);
    BOOL SuspendFullText(CEOID db);
    BOOL FullTextReady(CEOID db, CEPROPID prop);
    BOOL FindAllText(HANDLE h, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, std::vector<CEOID>& found);
    DWORD CountText(HANDLE h, CEPROPID prop, LPCWSTR text, BOOL caseSensitive);
    // Goes on with `progress` until done or `budget` is spent (none: to the end).
    BOOL CountTextSome(HANDLE h, CEPROPID prop, LPCWSTR text, BOOL caseSensitive,
        std::optional<std::chrono::milliseconds> budget, CeTextCount& progress);
    BOOL DeleteRecord(HANDLE h, CEOID oid);
    BOOL SetDatabaseInfo(CEOID oid, const CEDBASEINFO* info);
    BOOL OidGetInfo(CEOID oid, CEOIDINFO* info);
    DWORD RecordCount(HANDLE h);
    BOOL CloseHandle(HANDLE h);

    BOOL BeginTransaction();
    BOOL CommitTransaction();
    BOOL RollbackTransaction();
    // Moves the OID counter past `count` OIDs and hands them to the records
    // this process creates next (ObjectStore.h: ObjectStoreOidReservation).
    BOOL ReserveOids(DWORD count, CEOID& first);
    // Ends the reservation; OIDs it did not hand out are never used.
    void EndOidReservation() { reservedNext_ = reservedEnd_ = 0; }
    BOOL SetSizeLimit(std::uint64_t bytes);

private:
    friend class WriteScope;
    struct Notice {
        std::uintptr_t handle;
        UINT code;
        CEOID oid;
    };
    struct OldRecord {
        std::vector<BYTE> props;
        std::optional<std::string> keys[CEDB_MAXSORTORDER];
    };

    Store() = default;
    std::string Initialise(const std::filesystem::path& file);
    // Opens the connection: for writing when possible, else for reading, and
    // as an unchanging file when even reading needs companions that cannot
    // be made (read-only folder, full disk) and the file holds everything.
    std::string Connect();
    // The first writer's work: tables, schema version, provisioning.
    std::string SetUp();
    std::string Provision();
    // The busy handler: waits up to the busy timeout for another writer, and
    // as long as it takes while another process runs an integrity check.
    static int WaitWhileBusy(void* store, int attempt);
    bool Prepare();

    Handle* Find(HANDLE h);
    // Starts a read snapshot unless the current one is younger than the read
    // window (or a write transaction is open), then catches up with changes
    // other processes committed.
    void Refresh();
    void EndRead();
    void Sync();
    void InvalidateAll();
    void Forget(CEOID db);
    const DatabaseRow* LoadDatabase(CEOID oid);
    const DatabaseRow* LoadDatabaseByName(LPCWSTR name);
    std::shared_ptr<OrderIndex> IndexFor(CEOID db, int slot);
    bool EnsureBuilt(Handle& h);
    DWORD MissingObjectError(CEOID oid);
    std::optional<std::string> KeyOf(CEOID db, CEOID oid, int slot);

    enum class Where { Record, Deleted, End };
    struct Located {
        Where where;
        std::size_t pos;
    };
    Located Locate(Handle& h);
    CEOID MoveTo(Handle& h, std::size_t pos, DWORD* index);
    CEOID RunOff(Handle& h);
    // The read-ahead copy of the record under the cursor at `pos`, reading
    // the next stretch when the handle walks on; empty when the record is to
    // be read on its own.
    std::optional<std::span<const BYTE>> HeldRecord(Handle& h, std::size_t pos);
    bool ReadStretch(Handle& h, std::size_t pos);

    // The OIDs (ascending) of `db`'s records whose `prop` contains `text`.
    bool MatchingOids(CEOID db, CEPROPID prop, const std::u16string& text, bool caseSensitive,
        std::vector<CEOID>& matches);
    // The same by reading every record's text.
    bool WalkMatches(CEOID db, CEPROPID prop, const std::u16string& text, bool caseSensitive,
        std::vector<CEOID>& matches);
    CEOID WriteInScope(Handle& h, CEOID oid, WORD count, const CEPROPVAL* values, bool& created,
        OldRecord& old, std::string (&keys)[CEDB_MAXSORTORDER], std::int64_t& version);
    bool LoadOld(CEOID db, CEOID oid, OldRecord& old);
    bool BumpDatabase(CEOID db, std::int64_t recordDelta, std::int64_t sizeDelta, std::int64_t& version);
    bool AllocateOid(CEOID& oid);
    // The first OID this store handed out (below it no object ever existed).
    std::int64_t FirstOid();
    bool RekeyRecords(const DatabaseRow& row, const std::vector<SORTORDERSPEC>& oldSorts);
    void ApplyToIndices(
        CEOID db, CEOID oid, const OldRecord* old, const std::string* keys, std::int64_t version);
    void Announce(const Handle* origin, UINT code, CEOID oid);
    void Deliver(std::vector<Notice> notices);

    std::filesystem::path path_;
    Connection conn_;
    OpenMarkers markers_;
    bool readOnly_ = false;
    std::chrono::steady_clock::time_point busySince_;
    bool waitingForCheck_ = false;
    std::int64_t dataVersion_ = -1;
    std::uint64_t outsideChanges_ = 0; // commits of other connections seen
    bool readOpen_ = false;
    std::chrono::steady_clock::time_point readSince_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::unordered_map<std::uintptr_t, std::unique_ptr<Handle>> handles_;
    std::map<std::pair<CEOID, int>, std::shared_ptr<OrderIndex>> indices_;
    std::unordered_map<CEOID, DatabaseRow> rows_;
    // Folded database names found so far, with their OIDs; forgotten with
    // the rows (a database opened once per use is not looked up each time).
    std::unordered_map<std::string, CEOID> namedOids_;
    int txDepth_ = 0;
    // OIDs reserved by ReserveOids and not handed out yet: [next, end).
    std::int64_t reservedNext_ = 0;
    std::int64_t reservedEnd_ = 0;
    DWORD txError_ = 0; // set when SQLite ended the open transaction by itself
    std::vector<Notice> pending_;
    // Scratch of ReadProps.
    std::vector<PropView> readProps_;
    std::vector<const PropView*> readChosen_;
    std::vector<CEPROPID> readWanted_;
    ReadAhead readAhead_;
    std::vector<CEOID> stretchOids_;
    std::vector<std::size_t> pendingMarks_;
    // Where the full-text queue stood when each open batch level began.
    std::vector<std::size_t> fullTextMarks_;

    // Prepared statements (declared after the connection: destroyed first).
    struct Statements;
    std::unique_ptr<Statements> st_;
    std::unique_ptr<FullText> fullText_;
};

} // namespace objectstore
