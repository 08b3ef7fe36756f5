#include "ObjectStore.h"

#include "CeDatabase.h"
#include "CurrentStore.h"
#include "DataFolder.h"
#include "LastError.h"

#include <cstdlib>

namespace objectstore {

namespace {

struct CurrentState {
    std::recursive_mutex mutex;
    std::unique_ptr<Store> store;
    // Chosen by Open/OpenDefault (even if that failed): no automatic opening.
    bool chosen = false;
    std::string lastError;
    // The environment the automatically opened store was found from.
    std::string environment;
    // Set when the process ends: nothing opens a store any more.
    bool ended = false;
    bool closeAtExitInstalled = false;
    ObjectStore::CheckWaitNotice notice = nullptr;
};

// Never destroyed: global objects may still close their handles while the
// program's statics are torn down (they then find no store and fail
// quietly).
CurrentState& State()
{
    static auto* state = new CurrentState();
    return *state;
}

// Closing the connection when the process ends folds the log into the main
// file when this was the last connection to it, so the file alone holds the
// journal; a process that never closed its store would leave the log behind.
void CloseAtExit()
{
    std::lock_guard lock(StoreMutex());
    CurrentState& s = State();
    s.ended = true;
    s.store.reset();
}

std::string Environment()
{
    std::string fingerprint;
    for (const char* name : { "KESTRIN_HOME", "XDG_DATA_HOME", "HOME" }) {
        const char* value = std::getenv(name);
        fingerprint += value ? value : "";
        fingerprint += '\n';
    }
    return fingerprint;
}

bool OpenAt(const std::filesystem::path& file)
{
    CurrentState& s = State();
    s.store.reset();
    if (s.ended) {
        s.lastError = "The object store " + file.string() + " cannot be opened: the program is ending.";
        return false;
    }
    if (!s.closeAtExitInstalled)
        s.closeAtExitInstalled = std::atexit(CloseAtExit) == 0;
    if (file.has_parent_path())
        EnsurePrivateFolder(file.parent_path());
    std::string reason;
    s.store = Store::Open(file, reason);
    s.lastError = s.store ? std::string() : "The object store " + file.string() + " " + reason + ".";
    return s.store != nullptr;
}

} // namespace

std::recursive_mutex& StoreMutex()
{
    return State().mutex;
}

void NoticeCheckWait(bool waiting)
{
    if (ObjectStore::CheckWaitNotice notice = State().notice)
        notice(waiting);
}

Store* CurrentStore()
{
    CurrentState& s = State();
    if (!s.chosen && !s.ended) {
        std::string environment = Environment();
        if (!s.store || (environment != s.environment && !s.store->HasHandles())) {
            OpenAt(ObjectStore::DefaultPath());
            s.environment = std::move(environment);
        }
    }
    if (!s.store)
        SetLastError(ERROR_BADDB);
    return s.store.get();
}

} // namespace objectstore

using objectstore::State;

std::filesystem::path ObjectStore::DataFolder()
{
    return ::DataFolder();
}

std::filesystem::path ObjectStore::DefaultPath()
{
    return DataFolder() / "objects.db";
}

bool ObjectStore::OpenDefault()
{
    return Open(DefaultPath());
}

bool ObjectStore::Open(const std::filesystem::path& file)
{
    std::lock_guard lock(objectstore::StoreMutex());
    State().chosen = true;
    return objectstore::OpenAt(file);
}

void ObjectStore::Close()
{
    std::lock_guard lock(objectstore::StoreMutex());
    State().store.reset();
    State().chosen = false;
}

bool ObjectStore::IsOpen()
{
    std::lock_guard lock(objectstore::StoreMutex());
    return State().store != nullptr;
}

std::filesystem::path ObjectStore::CurrentPath()
{
    std::lock_guard lock(objectstore::StoreMutex());
    return State().store ? State().store->Path() : std::filesystem::path();
}

std::string ObjectStore::LastOpenError()
{
    std::lock_guard lock(objectstore::StoreMutex());
    return State().lastError;
}

bool ObjectStore::IsReadOnly()
{
    std::lock_guard lock(objectstore::StoreMutex());
    objectstore::Store* store = objectstore::CurrentStore();
    return store && store->ReadOnly();
}

void ObjectStore::Checkpoint()
{
    std::lock_guard lock(objectstore::StoreMutex());
    if (objectstore::Store* store = objectstore::CurrentStore())
        store->Checkpoint();
}

bool ObjectStore::IntegrityCheckRunning()
{
    std::lock_guard lock(objectstore::StoreMutex());
    objectstore::Store* store = objectstore::CurrentStore();
    return store && store->CheckRunningElsewhere();
}

void ObjectStore::SetCheckWaitNotice(CheckWaitNotice notice)
{
    std::lock_guard lock(objectstore::StoreMutex());
    State().notice = notice;
}

bool ObjectStore::SetSizeLimit(std::uint64_t bytes)
{
    std::lock_guard lock(objectstore::StoreMutex());
    objectstore::Store* store = objectstore::CurrentStore();
    return store && store->SetSizeLimit(bytes);
}

std::uint64_t ObjectStore::OutsideChangeCount()
{
    std::lock_guard lock(objectstore::StoreMutex());
    objectstore::Store* store = objectstore::CurrentStore();
    return store ? store->OutsideChanges() : 0;
}

ObjectStoreTransaction::ObjectStoreTransaction()
    : active_(CeBeginTransaction() != FALSE)
{
}

ObjectStoreTransaction::~ObjectStoreTransaction()
{
    if (active_)
        CeRollbackTransaction();
}

bool ObjectStoreTransaction::Commit()
{
    if (!active_)
        return false;
    active_ = false;
    return CeCommitTransaction() != FALSE;
}

IntegrityCheckMark::IntegrityCheckMark()
{
    std::lock_guard lock(objectstore::StoreMutex());
    if (objectstore::Store* store = objectstore::CurrentStore()) {
        store_ = store;
        held_ = store->BeginCheck();
    }
}

IntegrityCheckMark::~IntegrityCheckMark()
{
    std::lock_guard lock(objectstore::StoreMutex());
    // Only while the store it was taken on is still the current one: a
    // closed store dropped its marks with its side file.
    if (held_ && objectstore::CurrentStore() == store_)
        static_cast<objectstore::Store*>(store_)->EndCheck();
}

void ObjectStoreTransaction::Rollback()
{
    if (active_)
        CeRollbackTransaction();
    active_ = false;
}

ObjectStoreOidReservation::ObjectStoreOidReservation(DWORD count)
{
    std::lock_guard lock(objectstore::StoreMutex());
    objectstore::Store* store = objectstore::CurrentStore();
    if (store && !store->ReserveOids(count, first_))
        first_ = 0;
}

ObjectStoreOidReservation::~ObjectStoreOidReservation()
{
    std::lock_guard lock(objectstore::StoreMutex());
    if (objectstore::Store* store = objectstore::CurrentStore())
        store->EndOidReservation();
}
