#include "JournalSync.h"

#include "CeDatabase.h"
#include "DbKestrin.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "JournalProps.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "PimIdMap.h"
#include "RecordProps.h"
#include "StoreBatch.h"
#include "ZJITEMS.h"

#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_map>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr WCHAR kDatabaseName[] = u"JournalSyncState";
constexpr DWORD kDatabaseType = 22441;
constexpr CEPROPID kPropEntry = MakePropID(1, CEVT_UI4);
constexpr CEPROPID kPropUid = MakePropID(2, CEVT_LPWSTR);
constexpr CEPROPID kPropFile = MakePropID(3, CEVT_LPWSTR);
constexpr CEPROPID kPropStamps = MakePropID(4, CEVT_BLOB);
// Changes committed per store transaction.
constexpr int kBatchSize = 2000;
constexpr std::size_t kMaxNameBytes = 120;
constexpr std::u16string_view kConflictMark = u" (conflict)";

// What a file was when the journal last saw it.
struct FileStamp {
    long long mtime = 0; // nanoseconds of the file clock
    unsigned long long size = 0;
    unsigned long long hash = 0; // of the content; 0 unknown

    bool SameStat(const FileStamp& other) const { return mtime == other.mtime && size == other.size; }
};

struct SyncState {
    CEOID record = 0; // the state record, 0 before it is written
    CEOID entry = 0;
    std::string uid;
    std::string file; // empty until the entry has a file
    FileStamp stamp;
    unsigned long long fingerprint = 0; // of the entry at the last sync, 0 unknown
};

unsigned long long Fnv(const void* data, std::size_t size, unsigned long long hash = 1469598103934665603ull)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

// The fields that decide whether an entry changed; never 0.
unsigned long long Fingerprint(const VjournalEntry& entry)
{
    unsigned long long hash = 1469598103934665603ull;
    auto add = [&](const void* data, std::size_t size) {
        hash = Fnv(&size, sizeof size, hash);
        hash = Fnv(data, size, hash);
    };
    auto text = [&](const std::u16string& value) { add(value.data(), value.size() * sizeof(char16_t)); };
    text(entry.subject);
    add(&entry.date, sizeof entry.date);
    add(&entry.type, sizeof entry.type);
    text(entry.company);
    for (const std::u16string& category : entry.categories)
        text(category);
    add("|", 1);
    for (const VjournalContact& contact : entry.contacts)
        text(contact.name);
    text(entry.attachment);
    add(&entry.hasDuration, sizeof entry.hasDuration);
    add(&entry.duration, sizeof entry.duration);
    add(&entry.sensitivity, sizeof entry.sensitivity);
    add(&entry.priority, sizeof entry.priority);
    add(entry.note.data(), entry.note.size());
    return hash ? hash : 1;
}

std::u16string Wide(const std::string& text)
{
    return ZString::FromUtf8(text).ToU16();
}

std::string Narrow(LPCWSTR text)
{
    return text ? ZString::AnsiBytes(text) : std::string();
}

long long NowSeconds()
{
    return static_cast<long long>(std::time(nullptr));
}

bool ReadWhole(const fs::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    bytes = std::move(out).str();
    return !in.bad();
}

FileStamp StampOf(const struct stat& info)
{
    FileStamp stamp;
    stamp.mtime = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000ll + info.st_mtim.tv_nsec;
    stamp.size = static_cast<unsigned long long>(info.st_size);
    return stamp;
}

// Writes the bytes under a temporary name in the same folder and renames
// them over `path`, so a reader sees the old file or the new one. The
// stamp of the written file comes back in `stamp`.
bool WriteWhole(const fs::path& path, const std::string& bytes, FileStamp* stamp = nullptr)
{
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".tmp");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    struct stat info {};
    const bool written = done == bytes.size() && ::fstat(fd, &info) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (stamp)
        *stamp = StampOf(info);
    return true;
}

// A regular file's stamp (without hash); nullopt for anything else.
std::optional<FileStamp> StatOf(const fs::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StampOf(info);
}

// The object store's state database, made when missing; closed with the object.
class StateDatabase {
public:
    StateDatabase()
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
    ~StateDatabase()
    {
        if (IsOpen())
            CloseHandle(handle_);
    }
    StateDatabase(const StateDatabase&) = delete;
    StateDatabase& operator=(const StateDatabase&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    std::vector<SyncState> LoadAll()
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

    bool Write(SyncState& state)
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

    bool Delete(const SyncState& state) { return state.record == 0 || CeDeleteRecord(handle_, state.record); }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct CurrentEntry {
    VjournalEntry entry;
    unsigned long long fingerprint = 0;
};

} // namespace

class JournalSync::Impl {
public:
    explicit Impl(DbKestrin& journal)
        : journal_(journal)
    {
    }

    DbKestrin& journal_;
    StateDatabase database_;
    // The address book's ids, so a contact travels with its card's UID.
    PimIdMap contactIds_;
    std::vector<SyncState> states_;
    std::unordered_map<CEOID, std::size_t> byEntry_;
    std::unordered_map<std::string, std::size_t> byUid_;

    void LoadStates()
    {
        states_ = database_.LoadAll();
        Reindex();
    }

    void Reindex()
    {
        byEntry_.clear();
        byUid_.clear();
        for (std::size_t i = 0; i < states_.size(); ++i) {
            byEntry_[states_[i].entry] = i;
            byUid_[states_[i].uid] = i;
        }
    }

    // The entry record under the journal's cursor, read straight from its
    // properties.
    void FromRecord(const RecordProps& props, VjournalEntry& entry)
    {
        EntryFromValues([&](CEPROPID id) { return EntryValue(props, id); }, entry, [this](CEOID oid) {
            PimIdMap::Kind kind {};
            std::u16string uid;
            return contactIds_.Lookup(oid, kind, uid) && kind == PimIdMap::kContact ? ZString::AnsiBytes(uid.c_str())
                                                                                     : std::string();
        });
    }

    std::unordered_map<CEOID, CurrentEntry> ReadEntries()
    {
        std::unordered_map<CEOID, CurrentEntry> entries;
        entries.reserve(journal_.GetRowCount() + 16);
        for (CEOID oid = journal_.SeekFirst(); oid != 0; oid = journal_.SeekNext()) {
            RecordProps props;
            if (props.Read(journal_) != oid || !IsEntryRecord(props))
                continue;
            CurrentEntry& current = entries[oid];
            FromRecord(props, current.entry);
            current.fingerprint = Fingerprint(current.entry);
        }
        return entries;
    }

    // Reads one entry again after it was written; false when it is gone.
    bool ReadEntry(CEOID oid, CurrentEntry& current)
    {
        RecordProps props;
        if (props.ReadOid(journal_, oid) != oid || !IsEntryRecord(props))
            return false;
        FromRecord(props, current.entry);
        current.fingerprint = Fingerprint(current.entry);
        return true;
    }

    // Writes the entry (oid 0: a new one); the OID written, 0 on failure.
    CEOID WriteEntry(CEOID oid, const VjournalEntry& entry)
    {
        ZJITEMS set;
        DbTmp::Initialize(&set);
        EntryToSet(entry, set, [this](const std::string& uid) {
            return static_cast<CEOID>(contactIds_.Find(PimIdMap::kContact, Wide(uid)));
        });
        return journal_.Write(oid, &set);
    }

    SyncState& StateFor(CEOID entry)
    {
        const auto found = byEntry_.find(entry);
        if (found != byEntry_.end())
            return states_[found->second];
        SyncState state;
        state.entry = entry;
        state.uid = NewVjournalUid();
        states_.push_back(std::move(state));
        byEntry_[entry] = states_.size() - 1;
        byUid_[states_.back().uid] = states_.size() - 1;
        return states_.back();
    }
};

JournalSync::JournalSync(DbKestrin& journal)
    : impl_(std::make_unique<Impl>(journal))
{
}

JournalSync::~JournalSync() = default;

std::string JournalSync::UidOf(CEOID oid)
{
    impl_->LoadStates();
    const auto found = impl_->byEntry_.find(oid);
    return found == impl_->byEntry_.end() ? std::string() : impl_->states_[found->second].uid;
}

std::string JournalSync::SafeFileName(const std::string& uid)
{
    std::string name;
    for (unsigned char c : uid) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '@' || (c == '.' && !name.empty())) {
            name += static_cast<char>(c);
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            name += '%';
            name += hex[c >> 4];
            name += hex[c & 15];
        }
    }
    if (name.size() > kMaxNameBytes) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx", Fnv(uid.data(), uid.size()));
        name = name.substr(0, kMaxNameBytes) + hash;
    }
    if (name.empty())
        name = "%00";
    return name + ".ics";
}

bool JournalSync::ExportFile(const fs::path& file, std::string& error)
{
    Impl& impl = *impl_;
    if (!impl.database_.IsOpen()) {
        error = "the sync records cannot be opened";
        return false;
    }
    impl.LoadStates();
    std::unordered_map<CEOID, CurrentEntry> entries = impl.ReadEntries();
    std::vector<CEOID> order;
    for (CEOID oid = impl.journal_.SeekFirst(); oid != 0; oid = impl.journal_.SeekNext())
        if (entries.count(oid))
            order.push_back(oid);
    // Entries without a UID get one, kept for the next export or sync.
    {
        ObjectStoreTransaction transaction;
        for (CEOID oid : order) {
            SyncState& state = impl.StateFor(oid);
            if (state.record == 0 && !impl.database_.Write(state)) {
                error = "the UIDs cannot be stored";
                return false;
            }
            entries[oid].entry.uid = state.uid;
        }
        if (!CommitBatch(transaction)) {
            error = "the UIDs cannot be stored";
            return false;
        }
    }
    std::vector<const VjournalEntry*> list;
    list.reserve(order.size());
    for (CEOID oid : order)
        list.push_back(&entries[oid].entry);
    if (!WriteWhole(file, WriteVcalendar(list, NowSeconds()))) {
        error = "the file cannot be written: " + file.string();
        return false;
    }
    return true;
}

SyncReport JournalSync::ImportFile(const fs::path& file)
{
    Impl& impl = *impl_;
    SyncReport report;
    std::string bytes;
    if (!ReadWhole(file, bytes)) {
        report.problems.push_back(file.filename().string() + ": cannot be read");
        report.failed = true;
        return report;
    }
    VcalendarRead read = ReadVcalendar(bytes, true);
    for (const std::string& problem : read.problems)
        report.problems.push_back(file.filename().string() + ": " + problem);
    impl.LoadStates();
    ObjectStoreTransaction transaction;
    for (VjournalEntry& entry : read.entries) {
        const auto known = impl.byUid_.find(entry.uid);
        CurrentEntry current;
        const bool exists = known != impl.byUid_.end() && impl.ReadEntry(impl.states_[known->second].entry, current);
        const CEOID oid = impl.WriteEntry(exists ? impl.states_[known->second].entry : 0, entry);
        if (oid == 0) {
            report.failed = true;
            report.problems.push_back(entry.uid + ": the entry cannot be written");
            return report;
        }
        if (exists) {
            ++report.entriesChanged;
            continue;
        }
        ++report.entriesAdded;
        SyncState state;
        if (known != impl.byUid_.end())
            state = impl.states_[known->second];
        state.entry = oid;
        state.uid = entry.uid;
        state.file.clear();
        if (!impl.database_.Write(state)) {
            report.failed = true;
            return report;
        }
        impl.states_.push_back(state);
        impl.Reindex();
    }
    if (!CommitBatch(transaction)) {
        report.failed = true;
        report.problems.push_back("the journal cannot be written");
    }
    return report;
}

namespace {

// One run of Sync: the states, the entries and the folder as they are now,
// and the batch of store writes in progress.
class SyncRun {
public:
    SyncRun(JournalSync::Impl& impl, fs::path folder, SyncReport& report)
        : impl_(impl)
        , folder_(std::move(folder))
        , report_(report)
    {
    }

    void Run()
    {
        std::error_code error;
        fs::create_directories(folder_, error);
        if (!impl_.database_.IsOpen() || !fs::is_directory(folder_, error)) {
            Fail("the folder or the sync records cannot be opened");
            return;
        }
        impl_.LoadStates();
        entries_ = impl_.ReadEntries();
        ScanFolder();
        if (!AssignUids())
            return;
        Begin();
        const std::size_t known = impl_.states_.size();
        for (std::size_t i = 0; i < known && !report_.failed; ++i)
            SyncKnown(i);
        for (const auto& [name, stamp] : files_)
            if (!report_.failed)
                SyncNewFile(name, stamp);
        End();
        DropDeletedStates();
    }

private:
    void Fail(const std::string& problem)
    {
        report_.failed = true;
        report_.problems.push_back(problem);
    }

    void ScanFolder()
    {
        std::error_code error;
        for (const fs::directory_entry& item : fs::directory_iterator(folder_, error)) {
            const std::string name = item.path().filename().string();
            if (name.empty() || name[0] == '.' || item.path().extension() != ".ics")
                continue;
            if (std::optional<FileStamp> stamp = StatOf(item.path()))
                files_[name] = *stamp;
        }
    }

    // New entries get their UIDs in the store before any file is written
    // under a name made from them: after a crash the next sync finds those
    // files under the same names and adopts them instead of importing them
    // as entries of their own.
    bool AssignUids()
    {
        ObjectStoreTransaction transaction;
        for (const auto& [oid, current] : entries_)
            if (!impl_.byEntry_.count(oid))
                SaveState(impl_.StateFor(oid));
        if (!CommitBatch(transaction))
            Fail("the sync records cannot be written");
        if (report_.failed)
            impl_.LoadStates();
        return !report_.failed;
    }

    void Begin() { transaction_.emplace(); }

    void End()
    {
        if (transaction_ && !CommitBatch(*transaction_))
            Fail("the journal cannot be written");
        transaction_.reset();
    }

    // Counts one change; every kBatchSize changes go to the store together.
    void Changed()
    {
        if (++changes_ % kBatchSize == 0) {
            End();
            Begin();
        }
    }

    void SaveState(SyncState& state)
    {
        if (!impl_.database_.Write(state))
            Fail("the sync records cannot be written");
    }

    void ForgetState(SyncState& state)
    {
        impl_.database_.Delete(state);
        state.entry = 0;
        state.uid.clear();
        state.record = 0;
        state.file.clear();
    }

    // The file as it is now, with its content hash; nullopt when it is gone.
    std::optional<FileStamp> ReadFileNow(const std::string& name, std::string& bytes)
    {
        std::optional<FileStamp> stamp = StatOf(folder_ / name);
        if (!stamp || !ReadWhole(folder_ / name, bytes))
            return std::nullopt;
        stamp->hash = Fnv(bytes.data(), bytes.size()) | 1;
        return stamp;
    }

    // The one entry of a file; false (reported) when the file is not one.
    bool ParseFile(const std::string& name, const std::string& bytes, VjournalEntry& entry)
    {
        VcalendarRead read = ReadVcalendar(bytes, false);
        std::string why;
        if (!read.problems.empty())
            why = read.problems.front();
        else if (read.entries.size() != 1)
            why = read.entries.empty() ? "no journal entry in the file" : "several components in the file";
        if (!why.empty()) {
            report_.problems.push_back(name + ": " + why);
            return false;
        }
        entry = std::move(read.entries.front());
        return true;
    }

    // Writes the entry's file, keeping what other programs put in the old one.
    bool WriteFile(SyncState& state, const CurrentEntry& current)
    {
        VjournalEntry out = current.entry;
        out.uid = state.uid;
        std::string oldBytes;
        VjournalEntry old;
        if (!state.file.empty() && ReadFileNow(state.file, oldBytes)) {
            VcalendarRead read = ReadVcalendar(oldBytes, false);
            if (read.entries.size() == 1) {
                out.keptProperties = read.entries[0].keptProperties;
                for (VjournalContact& contact : out.contacts)
                    for (const VjournalContact& was : read.entries[0].contacts)
                        if (was.name == contact.name)
                            contact.uid = was.uid;
            }
        }
        if (state.file.empty())
            state.file = JournalSync::SafeFileName(state.uid);
        const std::string bytes = WriteVcalendar({ &out }, NowSeconds());
        if (!WriteWhole(folder_ / state.file, bytes, &state.stamp)) {
            Fail(state.file + ": cannot be written");
            return false;
        }
        state.stamp.hash = Fnv(bytes.data(), bytes.size()) | 1;
        state.fingerprint = current.fingerprint;
        ++report_.filesWritten;
        SaveState(state);
        Changed();
        return true;
    }

    // Writes a file's entry into the journal (oid 0: as a new entry) and
    // records both sides as they now are.
    bool TakeFile(SyncState& state, CEOID oid, const VjournalEntry& entry, const FileStamp& stamp)
    {
        const CEOID written = impl_.WriteEntry(oid, entry);
        CurrentEntry current;
        if (written == 0 || !impl_.ReadEntry(written, current)) {
            Fail(state.file + ": the entry cannot be written");
            return false;
        }
        oid == 0 ? ++report_.entriesAdded : ++report_.entriesChanged;
        state.entry = written;
        state.stamp = stamp;
        state.fingerprint = current.fingerprint;
        SaveState(state);
        Changed();
        return true;
    }

    void SyncKnown(std::size_t index)
    {
        SyncState& state = impl_.states_[index];
        const auto entryNow = entries_.find(state.entry);
        const std::string name = state.file.empty() ? JournalSync::SafeFileName(state.uid) : state.file;
        const auto fileNow = files_.find(name);
        const bool hasFile = fileNow != files_.end();
        std::optional<FileStamp> stamp;
        if (hasFile) {
            stamp = fileNow->second;
            files_.erase(fileNow);
        }
        const bool hasEntry = entryNow != entries_.end();
        if (!hasEntry && !hasFile) {
            ForgetState(state);
            return;
        }
        if (!hasFile) {
            // Never written, or deleted in the folder.
            if (state.file.empty() || entryNow->second.fingerprint != state.fingerprint) {
                state.file.clear();
                WriteFile(state, entryNow->second);
            } else if (impl_.journal_.DeleteEntry(state.entry)) {
                ++report_.entriesDeleted;
                ForgetState(state);
                Changed();
            } else {
                Fail(name + ": its entry cannot be deleted");
            }
            return;
        }
        std::string bytes;
        const FileStamp before = state.file.empty() ? FileStamp {} : state.stamp;
        bool fileChanged = !before.SameStat(*stamp);
        if (fileChanged) {
            stamp = ReadFileNow(name, bytes);
            if (!stamp) {
                report_.problems.push_back(name + ": cannot be read");
                return;
            }
            fileChanged = stamp->hash != before.hash;
        }
        state.file = name;
        if (!hasEntry) {
            if (!fileChanged) {
                std::error_code error;
                if (fs::remove(folder_ / name, error))
                    ++report_.filesDeleted;
                ForgetState(state);
                Changed();
                return;
            }
            // Deleted here but changed there: nothing is dropped.
            VjournalEntry entry;
            if (ParseFile(name, bytes, entry))
                TakeFile(state, 0, entry, *stamp);
            return;
        }
        const bool entryChanged = entryNow->second.fingerprint != state.fingerprint;
        if (!fileChanged) {
            if (entryChanged)
                WriteFile(state, entryNow->second);
            return;
        }
        VjournalEntry entry;
        if (!ParseFile(name, bytes, entry))
            return;
        if (Fingerprint(entry) == entryNow->second.fingerprint) {
            // Both sides hold the same (a sync cut short, or the same edit).
            state.stamp = *stamp;
            state.fingerprint = entryNow->second.fingerprint;
            SaveState(state);
            Changed();
            return;
        }
        if (!entryChanged) {
            TakeFile(state, state.entry, entry, *stamp);
            return;
        }
        KeepBoth(state, entryNow->second, std::move(entry));
    }

    // Changed on both sides: the folder's version becomes a new entry with
    // a UID and file of its own, the journal's is written to the file.
    void KeepBoth(SyncState& state, const CurrentEntry& current, VjournalEntry fromFolder)
    {
        ++report_.conflicts;
        fromFolder.subject += kConflictMark;
        fromFolder.uid = NewVjournalUid();
        SyncState copy;
        copy.uid = fromFolder.uid;
        const CEOID oid = impl_.WriteEntry(0, fromFolder);
        CurrentEntry written;
        if (oid == 0 || !impl_.ReadEntry(oid, written)) {
            Fail(state.file + ": the conflicting entry cannot be written");
            return;
        }
        ++report_.entriesAdded;
        copy.entry = oid;
        if (!WriteFile(state, current) || !WriteFile(copy, written))
            return;
        newStates_.push_back(std::move(copy));
    }

    void SyncNewFile(const std::string& name, const FileStamp&)
    {
        std::string bytes;
        std::optional<FileStamp> stamp = ReadFileNow(name, bytes);
        VjournalEntry entry;
        if (!stamp || !ParseFile(name, bytes, entry))
            return;
        const auto known = impl_.byUid_.find(entry.uid);
        if (known != impl_.byUid_.end() && !impl_.states_[known->second].uid.empty()) {
            report_.problems.push_back(name + ": UID " + entry.uid + " is already in another file");
            return;
        }
        SyncState state;
        state.uid = entry.uid;
        state.file = name;
        if (TakeFile(state, 0, entry, *stamp))
            newStates_.push_back(std::move(state));
    }

    void DropDeletedStates()
    {
        std::vector<SyncState> kept;
        for (SyncState& state : impl_.states_)
            if (state.record != 0)
                kept.push_back(std::move(state));
        for (SyncState& state : newStates_)
            kept.push_back(std::move(state));
        impl_.states_ = std::move(kept);
        impl_.Reindex();
    }

    JournalSync::Impl& impl_;
    fs::path folder_;
    SyncReport& report_;
    std::unordered_map<CEOID, CurrentEntry> entries_;
    std::unordered_map<std::string, FileStamp> files_;
    std::vector<SyncState> newStates_;
    std::optional<ObjectStoreTransaction> transaction_;
    int changes_ = 0;
};

} // namespace

SyncReport JournalSync::Sync(const fs::path& folder)
{
    SyncReport report;
    SyncRun(*impl_, folder, report).Run();
    return report;
}
