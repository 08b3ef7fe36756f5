#pragma once
// The commands of kestrin-cli, grouped by what they act on. Each takes the
// words after its name and returns the exit code (0 success); failures and
// bad usage end it through CliFailure (CliSupport.h).

#include <string>
#include <vector>

using Words = std::vector<std::string>;

class Session;
class ZJITEMS;

struct Command {
    const char* name;
    int (*run)(const Words& words);
    const char* usage; // the synopsis after "kestrin-cli "
    const char* help; // what it does, one or more lines
};

// Entries: add, list, show, delete, copy.
int RunAdd(const Words& words);
int RunList(const Words& words);
int RunShow(const Words& words);
int RunDelete(const Words& words);
int RunCopy(const Words& words);
// The view: sort, filter, find.
int RunSort(const Words& words);
int RunFilter(const Words& words);
int RunFind(const Words& words);
// Files: export, backup, restore.
int RunExport(const Words& words);
int RunBackup(const Words& words);
int RunRestore(const Words& words);
// Upkeep: check, stats, categories, relations.
int RunCheck(const Words& words);
int RunStats(const Words& words);
int RunCategories(const Words& words);
int RunRelations(const Words& words);

// iCalendar: export --ics, import, sync (a folder of .ics files).
bool WantsIcsExport(const Words& words);
int RunExportIcs(const Words& words);
int RunImport(const Words& words);
int RunSync(const Words& words);

// The address book: contacts.
int RunContacts(const Words& words);
// Stores the contacts named by file-as name (ignoring case) in the set's
// Contacts field; an unknown name fails the command unless `addMissing`,
// which adds it to the address book as the contact picker would.
void StoreLinkedContacts(
    Session& session, ZJITEMS& set, const std::vector<std::string>& names, bool addMissing);

// Every command, in the order --help lists them.
const std::vector<Command>& AllCommands();
