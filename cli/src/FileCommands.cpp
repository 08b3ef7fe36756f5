// export, backup, restore.

#include "CliSupport.h"
#include "Commands.h"

#include "ConsoleProgress.h"
#include "ExportWriter.h"
#include "JournalProps.h"
#include "ZBackup.h"

namespace {

ZString FilePath(const std::string& path)
{
    if (path.empty())
        BadUsage("the file name is empty");
    RequireNotFolder(path);
    return Wide(path);
}

// Fails naming every OID of the list that is not an entry of the journal.
void RequireSelectedEntries(Session& session, const std::vector<CEOID>& oids)
{
    std::string missing;
    for (CEOID oid : oids) {
        DbKestrin& journal = session.Journal();
        if (journal.SeekOid(oid) != oid || journal.GetRecordType(oid) != KIND_ENTRY)
            missing += (missing.empty() ? "" : ",") + std::to_string(oid);
    }
    if (!missing.empty())
        Fail("not entries of the journal: " + missing);
}

// The one file a command is given, with no options.
ZString FileArgument(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(1, 1);
    return FilePath(args.Positionals()[0]);
}

// The property ids of the listed field labels (ignoring case).
std::vector<CEPROPID> ParseFields(const std::string& list)
{
    std::vector<std::string> names = SplitList(list);
    if (names.empty())
        BadUsage("--fields needs at least one field");
    std::vector<CEPROPID> fields;
    for (const std::string& name : names) {
        ZString wanted = Wide(name);
        const EntryFieldDef* found = nullptr;
        for (const EntryFieldDef& field : ENTRY_FIELDS)
            if (wanted.EqualsNoCase(field.label))
                found = &field;
        if (found == nullptr)
            BadUsage("unknown field \"" + name + "\"");
        fields.push_back(found->propId);
    }
    return fields;
}

} // namespace

int RunExport(const Words& words)
{
    if (WantsIcsExport(words))
        return RunExportIcs(words);
    ParsedArgs args(
        words, { { "csv", 0 }, { "txt", 0 }, { "fields", 1 }, { "no-header", 0 }, { "scope", 1 } });
    args.ExpectPositionals(1, 1);
    if (args.Has("csv") == args.Has("txt"))
        BadUsage("give one of --csv and --txt");
    ZString path = FilePath(args.Positionals()[0]);
    ExportOptions options;
    options.format = args.Has("csv") ? ExportFormat::CommaSeparated : ExportFormat::SimpleText;
    options.headerOrLabels = !args.Has("no-header");
    std::string scope = args.One("scope").value_or("all");
    if (scope == "all")
        options.scope = ExportScope::All;
    else if (scope == "filtered")
        options.scope = ExportScope::Filtered;
    else {
        options.scope = ExportScope::Selected;
        for (const std::string& oid : SplitList(scope))
            options.selected.push_back(ParseOid(oid));
        if (options.selected.empty())
            BadUsage("--scope needs all, filtered or a list of OIDs");
    }

    std::vector<CEPROPID> fields;
    if (auto list = args.One("fields"))
        fields = ParseFields(*list);

    Session session;
    if (options.scope == ExportScope::Filtered && !session.Journal().GetFilter().IsActive())
        Fail("no filter is active (see kestrin-cli filter)");
    if (options.scope == ExportScope::Selected)
        RequireSelectedEntries(session, options.selected);
    if (session.Journal().SeekFirst() == 0)
        Fail(Utf8(ExportWriter::kNoRecordsText));
    ExportWriter writer(session.Journal());
    if (!fields.empty()) {
        writer.ChooseNone();
        for (CEPROPID field : fields)
            writer.Choose(field, true);
    }
    DWORD count = writer.Export(path, options, StderrProgress().get());
    if (writer.Failed())
        Fail(Utf8(writer.ErrorText()));
    Print(Utf8(ExportWriter::CountMessage(count)) + "\n");
    return 0;
}

int RunBackup(const Words& words)
{
    ZString path = FileArgument(words);
    Session session;
    ZBackup backup(&session.Journal(), nullptr);
    DWORD count = backup.Backup(path, StderrProgress().get());
    if (!backup.ErrorText().IsEmpty())
        Fail(Utf8(backup.ErrorText()));
    Print(Utf8(ZBackup::BackupMessage(count)) + "\n");
    return 0;
}

int RunRestore(const Words& words)
{
    ZString path = FileArgument(words);
    Session session;
    ZBackup backup(&session.Journal(), nullptr);
    backup.Restore(path, StderrProgress().get());
    const RestoreCounts& counts = backup.LastRestore();
    bool failedBeforeReading = counts.read == 0 && !counts.damaged && !counts.writeFailed
        && !counts.countMismatch && !backup.ErrorText().IsEmpty();
    if (failedBeforeReading)
        Fail(Utf8(backup.ErrorText()));
    Print(Utf8(backup.RestoreMessage()) + "\n");
    if (counts.damaged || counts.writeFailed)
        Fail(counts.damaged ? "the backup file is damaged; only the records before the damage were restored"
                            : "the journal could not store every record");
    return 0;
}
