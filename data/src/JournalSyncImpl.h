#pragma once
// JournalSync::Impl: what one JournalSync works on: the journal, the sync
// records (one SyncState per entry that has a UID) with their indexes by
// entry and by UID, and the address book's ids, so a contact travels with
// its card's UID. Shared by the file export and import (JournalSync.cpp)
// and the two-way sync (SyncRun.cpp). Private to the sync code.

#include "DbKestrin.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "JournalProps.h"
#include "JournalSync.h"
#include "PimIdMap.h"
#include "RecordProps.h"
#include "SyncState.h"
#include "Vjournal.h"
#include "ZJITEMS.h"

#include <unordered_map>

namespace journal_sync {

// An entry as the journal holds it now, and its fingerprint.
struct CurrentEntry {
    VjournalEntry entry;
    unsigned long long fingerprint = 0;
};

// The fields that decide whether an entry changed; never 0.
unsigned long long Fingerprint(const VjournalEntry& entry);

} // namespace journal_sync

class JournalSync::Impl {
public:
    explicit Impl(DbKestrin& journal)
        : journal_(journal)
    {
    }

    DbKestrin& journal_;
    journal_sync::SyncStateDatabase database_;
    // The address book's ids, so a contact travels with its card's UID.
    PimIdMap contactIds_;
    std::vector<journal_sync::SyncState> states_;
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

    std::unordered_map<CEOID, journal_sync::CurrentEntry> ReadEntries()
    {
        std::unordered_map<CEOID, journal_sync::CurrentEntry> entries;
        entries.reserve(journal_.GetRowCount() + 16);
        for (CEOID oid = journal_.SeekFirst(); oid != 0; oid = journal_.SeekNext()) {
            RecordProps props;
            if (props.Read(journal_) != oid || !IsEntryRecord(props))
                continue;
            journal_sync::CurrentEntry& current = entries[oid];
            FromRecord(props, current.entry);
            current.fingerprint = journal_sync::Fingerprint(current.entry);
        }
        return entries;
    }

    // Reads one entry again after it was written; false when it is gone.
    bool ReadEntry(CEOID oid, journal_sync::CurrentEntry& current)
    {
        RecordProps props;
        if (props.ReadOid(journal_, oid) != oid || !IsEntryRecord(props))
            return false;
        FromRecord(props, current.entry);
        current.fingerprint = journal_sync::Fingerprint(current.entry);
        return true;
    }

    // Writes the entry (oid 0: a new one); the OID written, 0 on failure.
    CEOID WriteEntry(CEOID oid, const VjournalEntry& entry)
    {
        ZJITEMS set;
        DbTmp::Initialize(&set);
        EntryToSet(entry, set, [this](const std::string& uid) {
            return static_cast<CEOID>(contactIds_.Find(PimIdMap::kContact, journal_sync::Wide(uid)));
        });
        return journal_.Write(oid, &set);
    }

    journal_sync::SyncState& StateFor(CEOID entry)
    {
        const auto found = byEntry_.find(entry);
        if (found != byEntry_.end())
            return states_[found->second];
        journal_sync::SyncState state;
        state.entry = entry;
        state.uid = NewVjournalUid();
        return AddState(std::move(state));
    }

    // Appends a state and indexes it as Reindex would (a later state wins a
    // UID or an entry), without going over all the others again.
    journal_sync::SyncState& AddState(journal_sync::SyncState state)
    {
        states_.push_back(std::move(state));
        byEntry_[states_.back().entry] = states_.size() - 1;
        byUid_[states_.back().uid] = states_.size() - 1;
        return states_.back();
    }
};
