#include "SyncState.h"

#include "CeDatabase.h"
#include "JournalProps.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "ZString.h"

#include <cstring>

namespace journal_sync {

namespace {

constexpr WCHAR kDatabaseName[] = u"JournalSyncState";
constexpr DWORD kDatabaseType = 22441;
constexpr CEPROPID kPropEntry = MakePropID(1, CEVT_UI4);
constexpr CEPROPID kPropUid = MakePropID(2, CEVT_LPWSTR);
constexpr CEPROPID kPropFile = MakePropID(3, CEVT_LPWSTR);
constexpr CEPROPID kPropStamps = MakePropID(4, CEVT_BLOB);

} // namespace

unsigned long long Fnv(const void* data, std::size_t size, unsigned long long hash)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

std::u16string Wide(const std::string& text)
{
    return ZString::FromUtf8(text).ToU16();
}

std::string Narrow(LPCWSTR text)
{
    return text ? ZString::AnsiBytes(text) : std::string();
}

SyncStateDatabase::SyncStateDatabase()
{
    CEOID oid = 0;
    handle_ = CeOpenDatabase(&oid, kDatabaseName, 0, CEDB_AUTOINCREMENT, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND)
        return;
    // Another process may create it between our open and create.
    if (CeCreateDatabase(kDatabaseName, kDatabaseType, 0, nullptr) == 0 && GetLastError() != ERROR_DUP_NAME)
        return;
    oid = 0;
    handle_ = CeOpenDatabase(&oid, kDatabaseName, 0, CEDB_AUTOINCREMENT, nullptr);
}

SyncStateDatabase::~SyncStateDatabase()
{
    if (IsOpen())
        CloseHandle(handle_);
}

std::vector<SyncState> SyncStateDatabase::LoadAll()
{
    std::vector<SyncState> states;
    if (!IsOpen())
        return states;
    CeSeekDatabase(handle_, CEDB_SEEK_BEGINNING, 0, nullptr);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    while (true) {
        WORD count = 0;
        const CEOID oid = CeReadRecordProps(handle_, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
        if (oid == 0)
            break;
        SyncState state;
        state.record = oid;
        const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        for (WORD i = 0; i < count; ++i) {
            const CEPROPVAL& value = values[i];
            if (value.wFlags & CEDB_PROPNOTFOUND)
                continue;
            if (value.propid == kPropEntry)
                state.entry = value.val.ulVal;
            else if (value.propid == kPropUid)
                state.uid = Narrow(value.val.lpwstr);
            else if (value.propid == kPropFile)
                state.file = Narrow(value.val.lpwstr);
            else if (value.propid == kPropStamps && value.val.blob.dwCount == 4 * sizeof(long long)) {
                long long fields[4];
                std::memcpy(fields, value.val.blob.lpb, sizeof fields);
                state.stamp = { fields[0], static_cast<unsigned long long>(fields[1]),
                    static_cast<unsigned long long>(fields[2]) };
                state.fingerprint = static_cast<unsigned long long>(fields[3]);
            }
        }
        states.push_back(std::move(state));
    }
    LocalFree(buffer);
    return states;
}

bool SyncStateDatabase::Write(SyncState& state)
{
    const std::u16string uid = Wide(state.uid);
    const std::u16string file = Wide(state.file);
    long long fields[4] = { state.stamp.mtime, static_cast<long long>(state.stamp.size),
        static_cast<long long>(state.stamp.hash), static_cast<long long>(state.fingerprint) };
    CEPROPVAL values[4];
    for (CEPROPVAL& value : values)
        value = EmptyProp();
    values[0].propid = kPropEntry;
    values[0].val.ulVal = state.entry;
    values[1].propid = kPropUid;
    values[1].val.lpwstr = const_cast<LPWSTR>(uid.c_str());
    values[2].propid = kPropFile;
    values[2].val.lpwstr = const_cast<LPWSTR>(file.c_str());
    values[3].propid = kPropStamps;
    values[3].val.blob = { sizeof fields, reinterpret_cast<BYTE*>(fields) };
    const CEOID oid = CeWriteRecordProps(handle_, state.record, 4, values);
    if (oid != 0)
        state.record = oid;
    return oid != 0;
}

bool SyncStateDatabase::Delete(const SyncState& state)
{
    return state.record == 0 || CeDeleteRecord(handle_, state.record);
}

} // namespace journal_sync
