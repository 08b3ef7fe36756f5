#pragma once
// PimStore: the address book, calendar and task lists the journal links to,
// with the operations the program uses: log on and off, the contacts in
// file-as order (1-based positions, as the picker's rows ask for them), find
// by file-as name and find next, an item from its 32-bit object id, and adding
// a contact. Names are matched as values, never as query text.
//
// The store keeps what it read between log-ons: a later Logon reads only
// what changed. Contact pointers stay valid until the next Logon or
// AddContact. VdirPimStore is the implementation on vdir folders; tests may
// put their own behind this interface. One thread.

#include "PimCalendarItem.h"
#include "PimContact.h"

#include <string>
#include <string_view>
#include <vector>

class PimStore {
public:
    virtual ~PimStore() = default;

    // Makes missing folders and reads what changed since the last Logon.
    // False when the contacts folder cannot be made or listed.
    virtual bool Logon() = 0;
    virtual void Logoff() = 0;

    virtual int ContactCount() const = 0;
    // The contact at `position` (1..ContactCount) in file-as order ignoring
    // case; null outside.
    virtual const PimContact* ContactAt(int position) const = 0;
    // The first position after `after` whose file-as name equals `fileAs`
    // ignoring case; 0 when there is none.
    virtual int FindContact(std::u16string_view fileAs, int after = 0) const = 0;
    // The contact with that object id, null when none has it.
    virtual const PimContact* ContactFromOid(DWORD oid) const = 0;
    // Writes a new contact into the address book and reads it in. Returns its
    // object id; 0 with `error` set when it could not be written.
    virtual DWORD AddContact(const PimNewContact& contact, std::string& error) = 0;

    // The event or task with that object id; false when none has it.
    virtual bool CalendarItemFromOid(DWORD oid, PimCalendarItem& item) = 0;

    // Files skipped since the last call, each once per change of the file:
    // "name: reason".
    virtual std::vector<std::string> TakeProblems() = 0;
};
