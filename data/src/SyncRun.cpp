#include "SyncRun.h"

#include "ObjectStore.h"
#include "StoreBatch.h"
#include "SyncFiles.h"

#include <optional>

namespace fs = std::filesystem;

namespace journal_sync {

namespace {

// Changes committed per store transaction.
constexpr int kBatchSize = 2000;
constexpr std::u16string_view kConflictMark = u" (conflict)";

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

SyncReport RunSync(JournalSync::Impl& impl, const fs::path& folder)
{
    SyncReport report;
    SyncRun(impl, folder, report).Run();
    return report;
}

} // namespace journal_sync
