#pragma once
// VdirPimStore: the PimStore on vdir folders, the layout address-book and
// calendar tools and synchronisers keep: one .vcf per contact in the contacts
// folder, one .ics per event or task in the calendar and task folders, each
// file named by its item's UID. A file that cannot be read is skipped and
// reported once (TakeProblems); a card without UID takes its file's name.
//
// Contacts are kept per file with the file's size and modification time, so
// a Logon over an unchanged book of 10,000 cards stats the files and parses
// none. Adding a contact writes a vCard 3.0 into a hidden temporary file,
// syncs it and links it under its final name, so a reader never sees half a
// card and an existing file is never replaced.
//
// Object ids come from PimIdMap (the object store). One thread; not copyable.

#include "PimIdMap.h"
#include "PimStore.h"

#include <filesystem>
#include <memory>

class VdirPimStore : public PimStore {
public:
    struct Folders {
        std::filesystem::path contacts;
        std::filesystem::path calendar;
        std::filesystem::path tasks;
        bool operator==(const Folders&) const = default;
    };

    VdirPimStore();
    ~VdirPimStore() override;
    VdirPimStore(const VdirPimStore&) = delete;
    VdirPimStore& operator=(const VdirPimStore&) = delete;

    // Changes the folders; what was read from other folders is forgotten.
    void SetFolders(const Folders& folders);
    const Folders& GetFolders() const { return folders_; }

    bool Logon() override;
    void Logoff() override;
    int ContactCount() const override;
    const PimContact* ContactAt(int position) const override;
    int FindContact(std::u16string_view fileAs, int after = 0) const override;
    const PimContact* ContactFromOid(DWORD oid) const override;
    DWORD AddContact(const PimNewContact& contact, std::string& error) override;
    bool CalendarItemFromOid(DWORD oid, PimCalendarItem& item) override;
    std::vector<std::string> TakeProblems() override;

    // Cards parsed since construction (tests and timing).
    long ParsedFiles() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    Folders folders_;
};

// A fresh random UID (RFC 4122 version 4, lower-case hex).
std::u16string NewPimUid();
