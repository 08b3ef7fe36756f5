// kestrin-cli: the journal from the command line, over libkstdata.
//   kestrin-cli COMMAND [ARGS...]      kestrin-cli COMMAND --help
// Exit codes: 0 success, 1 failure (one line on stderr), 2 bad usage.

#include "CliSupport.h"
#include "Commands.h"
#include "ObjectStore.h"
#include "PasswordGate.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintOverview(std::FILE* out)
{
    std::fprintf(out, "usage: kestrin-cli COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& command : AllCommands())
        std::fprintf(out, "  %s\n", command.usage);
    std::fprintf(out,
        "\n  --version\n  COMMAND --help\n\nThe journal lives in $KESTRIN_HOME (else "
        "$XDG_DATA_HOME/kestrin).\nWhen the journal has a password, commands that read or write entries "
        "ask for it on the\nterminal, or read it from --password-file FILE or the file descriptor in "
        "$KESTRIN_PASSWORD_FD.\n");
}

// Takes "--password-file FILE" (or "--password-file=FILE") out of a
// command's words: it belongs to every command that reads entries. False
// when the option lacks its file.
bool TakePasswordFile(Words& words)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--")
            return true;
        const std::string prefix = "--password-file=";
        if (words[i].compare(0, prefix.size(), prefix) == 0) {
            SetPasswordFile(words[i].substr(prefix.size()));
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
        if (words[i] == "--password-file") {
            if (i + 1 >= words.size() || words[i + 1].empty())
                return false;
            SetPasswordFile(words[i + 1]);
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i), words.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return true;
        }
    }
    return true;
}

bool WantsHelp(const Words& words)
{
    for (const std::string& word : words) {
        if (word == "--")
            return false;
        if (word == "--help" || word == "-h")
            return true;
    }
    return false;
}

} // namespace

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        { "add", RunAdd,
            "add --subject S [--date \"YYYY-MM-DD HH:MM\"] [--type NAME|N] [--company C] [--category "
            "NAME]... "
            "[--contact NAME]... [--add-contact] [--duration TEXT] [--priority N] [--sensitivity N] "
            "[--note TEXT] "
            "[--attachment PATH]",
            "Adds an entry and prints its OID. Defaults: now, type Note, priority Normal, sensitivity "
            "Normal.\nA contact is found in the address book by file-as name; --add-contact adds a "
            "missing one.\n"
            "  --type      Conversation, Document, E-mail message, Fax, Letter, Meeting, Note, Phone call,\n"
            "              Task, Appointment, Contact (or 0..10)\n"
            "  --priority  Low, Normal, High (or 0..2)\n"
            "  --sensitivity  Normal, Personal, Private, Confidential (or 0..3)\n"
            "  --duration  minutes (90), h:mm (1:30) or numbers with units m, h, d, w, s (1.5h, 2d 4h,\n"
            "              \"1 hour 30 min\"), at most 100 years\n"
            "  --date      from 1601-01-01 to 9999-12-31" },
        { "list", RunList, "list",
            "One line per entry passing the saved filter, in the journal's order:\n"
            "OID<TAB>YYYY-MM-DD HH:MM<TAB>type<TAB>subject" },
        { "show", RunShow, "show OID", "Every field of the entry, label and value." },
        { "delete", RunDelete, "delete OID...", "Deletes the entries with their references." },
        { "copy", RunCopy, "copy OID...", "Adds a copy of each entry and prints the new OIDs." },
        { "sort", RunSort, "sort FIELD [--ascending|--descending]",
            "Sorts the journal by a sortable field (Subject, Date, Type, Company, Categories, Contacts, "
            "Sensitivity, Priority)." },
        { "filter", RunFilter,
            "filter --range FROM TO | --months 1,3,... | --category NAME... [--categories-only] | --clear",
            "Sets the saved filter (dates YYYY-MM-DD, both days included); without options prints it." },
        { "find", RunFind, "find --date YYYY-MM-DD | --subject TEXT | --note TEXT [--match-case]",
            "Prints the OIDs of the matching entries." },
        { "export", RunExport,
            "export FILE (--csv|--txt) [--fields Subject,Date,...] [--no-header] [--scope "
            "all|filtered|OID,OID...]",
            "Writes the entries to a comma-separated or simple text file." },
        { "export", RunExport, "export --ics FILE", "Writes every entry to one iCalendar file (VJOURNAL)." },
        { "import", RunImport, "import FILE.ics",
            "Reads journal entries, events and tasks of an iCalendar file; known UIDs are updated." },
        { "sync", RunSync, "sync FOLDER", "Two-way sync with a folder of .ics files (one entry a file)." },
        { "backup", RunBackup, "backup FILE", "Backs up the entries passing the filter (all without one)." },
        { "restore", RunRestore, "restore FILE", "Restores a backup into the journal." },
        { "check", RunCheck, "check", "Runs the integrity check (progress on stderr)." },
        { "stats", RunStats, "stats", "Records, contact links, category links and database size." },
        { "categories", RunCategories, "categories [list|add NAME|rename OLD NEW|delete NAME]",
            "Lists or changes the shared categories (a category in use is hidden, not deleted)." },
        { "relations", RunRelations, "relations", "Every relation record: kind, name, count, entry OIDs." },
        { "contacts", RunContacts, "contacts",
            "The address book in file-as order: file-as name, company and id, tab-separated." },
    };
    return commands;
}

int main(int argc, char** argv)
{
    Words args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::printf("kestrin-cli %s\n", KESTRIN_VERSION);
        return 0;
    }
    const Command* command = nullptr;
    for (const Command& candidate : AllCommands())
        if (args[0] == candidate.name && command == nullptr)
            command = &candidate;
    if (command == nullptr) {
        std::fprintf(
            stderr, "kestrin-cli: unknown command \"%s\" (see kestrin-cli --help)\n", args[0].c_str());
        return 2;
    }
    Words words(args.begin() + 1, args.end());
    if (!TakePasswordFile(words)) {
        std::fprintf(stderr, "kestrin-cli %s: --password-file needs a file\n", command->name);
        return 2;
    }
    if (WantsHelp(words)) {
        std::printf("usage: kestrin-cli %s\n\n%s\n", command->usage, command->help);
        return 0;
    }
    try {
        int code = command->run(words);
        std::fflush(stdout);
        return code;
    } catch (const CliFailure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "kestrin-cli %s: %s\n", command->name, failure.message.c_str());
        if (failure.code == 1 && failure.message.find("read-only") == std::string::npos && ObjectStore::IsOpen()
            && ObjectStore::IsReadOnly())
            std::fprintf(stderr, "kestrin-cli: the journal %s can only be read here (read-only folder or disk full)\n",
                ObjectStore::CurrentPath().c_str());
        if (failure.code == 2)
            std::fprintf(stderr, "usage: kestrin-cli %s\n", command->usage);
        return failure.code;
    }
}
