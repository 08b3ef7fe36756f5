// check, stats, categories, relations.

#include "CliSupport.h"
#include "Commands.h"

#include "CategoryRename.h"
#include "ConsoleProgress.h"
#include "DataFolder.h"
#include "DbCats.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "ObjectStore.h"

#include <cstdio>
#include <unistd.h>

namespace {

std::string KindName(DWORD kind)
{
    if (kind == KIND_CONTACT)
        return "contact";
    if (kind == KIND_CATEGORY)
        return "category";
    return std::string("kind ").append(std::to_string(kind));
}

// The category named `name` (ignoring case); fails when there is none.
CEOID RequireCategory(DbCats& categories, const std::string& name)
{
    CEOID oid = categories.FindCategory(Wide(name));
    if (oid == 0)
        Fail("no category \"" + name + "\"");
    return oid;
}

void ListCategoryLines()
{
    std::string out;
    for (const CategoryInfo& category : ListCategories())
        out += Utf8(category.name) + "\t" + std::to_string(category.journalCount)
            + (category.hidden ? "\thidden\n" : "\n");
    Print(out);
}

} // namespace

int RunCheck(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(0, 0);
    Session session;
    // Said once per check: the folder is left as the user made it.
    if (const std::string wider = WiderRightsOf(ObjectStore::DataFolder()); !wider.empty())
        std::fprintf(stderr, "kestrin-cli check: note: %s\n", wider.c_str());
    std::unique_ptr<ConsoleProgress> progress = StderrProgress();
    // On a terminal every step is shown; elsewhere only how it ended.
    ConsoleStatic steps(stderr);
    MemoryStatic quiet;
    ZString error;
    session.Journal().Cleanup(TRUE, progress.get(), progress ? &steps : static_cast<ZCStatic*>(&quiet), &error);
    if (!progress && !quiet.Text().empty())
        std::fprintf(stderr, "%s\n", Utf8(quiet.Text()).c_str());
    if (!error.IsEmpty())
        Fail(Utf8(error));
    return 0;
}

int RunStats(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(0, 0);
    Session session;
    JournalStats stats = GetJournalStats(session.Journal());
    std::string out = "Records: ";
    out.append(std::to_string(stats.records))
        .append("\nContact Links: ")
        .append(std::to_string(stats.contactLinks));
    out.append("\nCategory Links: ").append(std::to_string(stats.categoryLinks));
    out.append("\nDatabase Size (Bytes): ").append(std::to_string(stats.sizeBytes)).append("\n");
    Print(out);
    return 0;
}

int RunCategories(const Words& words)
{
    ParsedArgs args(words, {});
    const Words& rest = args.Positionals();
    std::string action = rest.empty() ? "list" : rest[0];
    if (action == "list") {
        args.ExpectPositionals(0, 1);
        ListCategoryLines();
        return 0;
    }
    if (action != "add" && action != "rename" && action != "delete")
        BadUsage("unknown action \"" + action + "\"");
    std::size_t wanted = action == "rename" ? 3 : 2;
    args.ExpectPositionals(wanted, wanted);
    for (std::size_t i = 1; i < rest.size(); ++i)
        if (rest[i].empty())
            BadUsage("a category name is empty");

    if (action == "rename") {
        // The entries hold the name too: they change with it.
        Session session;
        CategoryRenameResult renamed
            = RenameCategoryEverywhere(session.Journal(), Wide(rest[1]), Wide(rest[2]));
        if (!renamed.done)
            Fail(renamed.error);
        return 0;
    }
    Session session(Session::Access::SettingsOnly);
    DbCats categories;
    if (!categories.Open(nullptr))
        Fail("cannot open the categories database");
    bool done = false;
    if (action == "add") {
        done = categories.AddCategory(Wide(rest[1]), PROPID_CATCOUNT_JOURNAL) != 0;
    } else {
        done = categories.DeleteCategory(RequireCategory(categories, rest[1]), PROPID_CATCOUNT_JOURNAL) != 0;
    }
    categories.Close();
    if (!done)
        Fail("the categories database could not be changed");
    return 0;
}

int RunRelations(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(0, 0);
    Session session;
    std::string out;
    for (const RelationRecord& record : ListRelations(session.Journal())) {
        out += KindName(record.kind) + "\t" + OneLine(Utf8(record.name)) + "\t" + std::to_string(record.count)
            + "\t";
        for (std::size_t i = 0; i < record.oids.size(); ++i) {
            if (i != 0)
                out += ',';
            out += std::to_string(record.oids[i]);
        }
        out += "\n";
    }
    Print(out);
    return 0;
}
