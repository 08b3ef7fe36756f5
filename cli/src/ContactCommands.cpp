// contacts, and the contacts of add: the address book from the command line.

#include "CliSupport.h"
#include "Commands.h"

#include "AddressBook.h"
#include "ContactLink.h"
#include "JournalProps.h"
#include "PackedLists.h"

#include <cstdio>

namespace {

// The address book, logged on; unreadable cards are named on stderr.
PimStore& OpenAddressBook(Session& session)
{
    PimStore& store = AddressBook::Store(session.Settings());
    if (!store.Logon())
        Fail(
            "the address book cannot be read: " + AddressBook::Folders(session.Settings()).contacts.string());
    for (const std::string& problem : store.TakeProblems())
        std::fprintf(stderr, "skipped %s\n", problem.c_str());
    return store;
}

} // namespace

int RunContacts(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(0, 0);
    Session session;
    PimStore& store = OpenAddressBook(session);
    std::string out;
    for (int position = 1; position <= store.ContactCount(); ++position) {
        const PimContact* contact = store.ContactAt(position);
        out += OneLine(Utf8(contact->fileAs));
        out += '\t';
        out += OneLine(Utf8(contact->company));
        out += '\t';
        out += std::to_string(contact->oid);
        out += '\n';
    }
    Print(out);
    store.Logoff();
    return 0;
}

void StoreLinkedContacts(
    Session& session, ZJITEMS& set, const std::vector<std::string>& names, bool addMissing)
{
    PackedListWriter list;
    if (!names.empty()) {
        PimStore& store = OpenAddressBook(session);
        for (const std::string& name : names) {
            const ZString wide = Wide(name);
            const PimContact* contact = store.ContactAt(store.FindContact(wide.Text() ? wide.Text() : u""));
            if (!contact && !addMissing)
                Fail("no contact \"" + name + "\" in the address book (--add-contact adds it)");
            DbAItem item(0, wide, u"");
            std::string error;
            if (!contact && !(contact = AddStoredContact(store, item, error)))
                Fail("the contact \"" + name + "\" could not be added: " + error);
            list.AddContact(StoredContactOf(*contact));
        }
        store.Logoff();
    }
    list.StoreIn(*set.GetItem(PROPID_CONTACTS));
}
