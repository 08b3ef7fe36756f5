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
};

// Never destroyed: global objects may still close their handles while the
// program's statics are torn down. Committed data is on disk already; the
// program closes the store itself at shutdown to fold the log back in.
CurrentState& State()
{
    static auto* state = new CurrentState();
    return *state;
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
    std::error_code ec;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
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

Store* CurrentStore()
{
    CurrentState& s = State();
    if (!s.chosen) {
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

void ObjectStoreTransaction::Rollback()
{
    if (active_)
        CeRollbackTransaction();
    active_ = false;
}
