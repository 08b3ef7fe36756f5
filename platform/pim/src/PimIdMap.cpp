#include "PimIdMap.h"

#include "CeDatabase.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"

#include <algorithm>

namespace {

constexpr WCHAR kDatabaseName[] = u"PimItemIds";
constexpr DWORD kDatabaseType = 22440;
constexpr CEPROPID kPropUid = MakePropID(1, CEVT_LPWSTR);
constexpr CEPROPID kPropKind = MakePropID(2, CEVT_UI4);

// A handle on the id database, made when missing; closed by the destructor.
class IdDatabase {
public:
    IdDatabase()
    {
        CEOID oid = 0;
        handle_ = CeOpenDatabase(&oid, kDatabaseName, 0, CEDB_AUTOINCREMENT, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND)
            return;
        // Another process may create it between our open and create.
        if (CeCreateDatabase(kDatabaseName, kDatabaseType, 0, nullptr) == 0
            && GetLastError() != ERROR_DUP_NAME)
            return;
        oid = 0;
        handle_ = CeOpenDatabase(&oid, kDatabaseName, 0, CEDB_AUTOINCREMENT, nullptr);
    }
    ~IdDatabase()
    {
        if (IsOpen())
            CloseHandle(handle_);
    }
    IdDatabase(const IdDatabase&) = delete;
    IdDatabase& operator=(const IdDatabase&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace

std::u16string PimIdMap::Key(Kind kind, const std::u16string& uid)
{
    std::u16string key(1, static_cast<char16_t>(u'0' + kind));
    key += uid;
    return key;
}

std::size_t PimIdMap::RecordCount() const
{
    IdDatabase database;
    const DWORD count = database.IsOpen() ? CeGetRecordCount(database.Handle()) : 0;
    return count == 0xFFFFFFFF ? 0 : count;
}

bool PimIdMap::Load()
{
    IdDatabase database;
    if (!database.IsOpen())
        return false;
    ids_.clear();
    entries_.clear();
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    while (true) {
        WORD count = 0;
        const CEOID oid
            = CeReadRecordProps(database.Handle(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
        if (oid == 0)
            break;
        const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        Entry entry { kContact, {} };
        for (WORD i = 0; i < count; ++i) {
            if (values[i].wFlags & CEDB_PROPNOTFOUND)
                continue;
            if (values[i].propid == kPropUid && values[i].val.lpwstr)
                entry.uid = values[i].val.lpwstr;
            else if (values[i].propid == kPropKind)
                entry.kind = static_cast<Kind>(values[i].val.ulVal);
        }
        ids_[Key(entry.kind, entry.uid)] = oid;
        entries_[oid] = std::move(entry);
    }
    LocalFree(buffer);
    loaded_ = true;
    return true;
}

DWORD PimIdMap::Write(Kind kind, const std::u16string& uid)
{
    IdDatabase database;
    if (!database.IsOpen())
        return 0;
    CEPROPVAL values[2] {};
    values[0].propid = kPropUid;
    values[0].val.lpwstr = const_cast<LPWSTR>(uid.c_str());
    values[1].propid = kPropKind;
    values[1].val.ulVal = kind;
    const CEOID oid = CeWriteRecordProps(database.Handle(), 0, 2, values);
    if (oid != 0) {
        ids_[Key(kind, uid)] = oid;
        entries_[oid] = Entry { kind, uid };
    }
    return oid;
}

bool PimIdMap::Assign(Kind kind, const std::vector<std::u16string>& uids, std::vector<DWORD>& ids)
{
    if (!loaded_ && !Load())
        return false;
    ids.assign(uids.size(), 0);
    bool missing = false;
    for (std::size_t i = 0; i < uids.size(); ++i) {
        const auto found = ids_.find(Key(kind, uids[i]));
        if (found != ids_.end())
            ids[i] = found->second;
        else
            missing = true;
    }
    if (!missing)
        return true;

    ObjectStoreTransaction transaction;
    if (!transaction.IsActive() || !Load())
        return false;
    for (std::size_t i = 0; i < uids.size(); ++i) {
        const auto found = ids_.find(Key(kind, uids[i]));
        ids[i] = found != ids_.end() ? found->second : Write(kind, uids[i]);
    }
    if (transaction.Commit())
        return std::find(ids.begin(), ids.end(), DWORD(0)) == ids.end();
    // Nothing of the batch reached the store: forget the ids it made.
    Load();
    for (std::size_t i = 0; i < uids.size(); ++i)
        ids[i] = Find(kind, uids[i]);
    return false;
}

DWORD PimIdMap::Find(Kind kind, const std::u16string& uid)
{
    if (!loaded_ && !Load())
        return 0;
    const auto found = ids_.find(Key(kind, uid));
    return found != ids_.end() ? found->second : 0;
}

bool PimIdMap::Lookup(DWORD id, Kind& kind, std::u16string& uid)
{
    if (id == 0)
        return false;
    if (!loaded_ && !Load())
        return false;
    auto found = entries_.find(id);
    // An id this process has not seen may be another process's new one;
    // the records are read again only when their number changed, so ids
    // from another device cost no walk each.
    if (found == entries_.end() && RecordCount() != entries_.size() && Load())
        found = entries_.find(id);
    if (found == entries_.end())
        return false;
    kind = found->second.kind;
    uid = found->second.uid;
    return true;
}
