// export --ics, import, sync: the journal as iCalendar journal entries.

#include "CliSupport.h"
#include "Commands.h"

#include "JournalSync.h"

#include <algorithm>

namespace {

// Problems go to stderr, one per line; the command still succeeds when
// only some files or components were skipped.
void ReportProblems(const SyncReport& report)
{
    for (const std::string& problem : report.problems)
        std::fprintf(stderr, "skipped %s\n", problem.c_str());
}

} // namespace

bool WantsIcsExport(const Words& words)
{
    return std::find(words.begin(), words.end(), "--ics") != words.end();
}

int RunExportIcs(const Words& words)
{
    ParsedArgs args(words, { { "ics", 1 } });
    args.ExpectPositionals(0, 0);
    Session session;
    JournalSync sync(session.Journal());
    std::string error;
    if (!sync.ExportFile(*args.One("ics"), error))
        Fail(error);
    return 0;
}

int RunImport(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(1, 1);
    Session session;
    JournalSync sync(session.Journal());
    const SyncReport report = sync.ImportFile(args.Positionals()[0]);
    ReportProblems(report);
    if (report.failed)
        Fail("the import did not finish");
    Print(std::to_string(report.entriesAdded) + " added, " + std::to_string(report.entriesChanged) + " changed\n");
    return 0;
}

int RunSync(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(1, 1);
    Session session;
    JournalSync sync(session.Journal());
    const SyncReport report = sync.Sync(args.Positionals()[0]);
    ReportProblems(report);
    if (report.failed)
        Fail("the sync did not finish; the next sync goes on from here");
    Print("entries: " + std::to_string(report.entriesAdded) + " added, " + std::to_string(report.entriesChanged)
        + " changed, " + std::to_string(report.entriesDeleted) + " deleted; files: "
        + std::to_string(report.filesWritten) + " written, " + std::to_string(report.filesDeleted)
        + " deleted; conflicts: " + std::to_string(report.conflicts) + "\n");
    return 0;
}
