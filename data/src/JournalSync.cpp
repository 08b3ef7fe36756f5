#include "JournalSync.h"

#include "JournalSyncImpl.h"
#include "ObjectStore.h"
#include "StoreBatch.h"
#include "SyncFiles.h"
#include "SyncRun.h"

#include <cstdio>

namespace fs = std::filesystem;
using namespace journal_sync;

namespace {

constexpr std::size_t kMaxNameBytes = 120;

} // namespace

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
        impl.AddState(std::move(state));
    }
    if (!CommitBatch(transaction)) {
        report.failed = true;
        report.problems.push_back("the journal cannot be written");
    }
    return report;
}

SyncReport JournalSync::Sync(const fs::path& folder)
{
    return RunSync(*impl_, folder);
}
