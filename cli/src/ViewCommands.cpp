// sort, filter, find.

#include "CliSupport.h"
#include "Commands.h"

#include "DbCats.h"
#include "DbTmp.h"
#include "JournalFind.h"
#include "JournalProps.h"
#include "JournalTools.h"

namespace {

constexpr const WCHAR* kSortByValue = u"SortBy";
constexpr const WCHAR* kSortTypeValue = u"SortType";

// The end of a day given as a date: its last 100-ns tick.
ZTime EndOfDay(const ZTime& day)
{
    ZTime end(day.Ticks() + ZTime::kTicksPerDay - 1);
    return end;
}

ZTime StartOfDate(const std::string& text)
{
    if (text.size() != 10)
        BadUsage("invalid date \"" + text + "\" (expected YYYY-MM-DD)");
    return ParseDateTime(text);
}

void PrintFilter(const ZFilter& filter)
{
    std::string out = std::string("active: ") + (filter.IsActive() ? "yes" : "no") + "\n";
    if (filter.IsByRange())
        out += "range: " + IsoDateTime(filter.GetStart()) + " .. " + IsoDateTime(filter.GetEnd()) + "\n";
    else {
        out += "months:";
        for (int month = 1; month <= 12; ++month)
            if (filter.GetMonths() & MonthBit(month))
                out.append(" ").append(std::to_string(month));
        out += "\n";
    }
    out += "categories:";
    const TSList<DbCItem>& categories = filter.GetCategories();
    for (auto* node = categories.Head(); node != nullptr; node = node->next)
        out.append(" ").append(Utf8(node->item->GetName()));
    out += std::string("\ncategories only: ") + (filter.IsByCatsOnly() ? "yes" : "no") + "\n";
    Print(out);
}

} // namespace

int RunSort(const Words& words)
{
    ParsedArgs args(words, { { "ascending", 0 }, { "descending", 0 } });
    args.ExpectPositionals(1, 1);
    if (args.Has("ascending") && args.Has("descending"))
        BadUsage("--ascending and --descending exclude each other");
    ZJITEMS fields;
    DbTmp::Initialize(&fields);
    const DbJItem* field = nullptr;
    ZString wanted = Wide(args.Positionals()[0]);
    for (const DbJItem* candidate : fields)
        if (candidate->IsFlag(FIELD_SORTABLE) && wanted.EqualsNoCase(candidate->GetLabel()))
            field = candidate;
    if (field == nullptr)
        BadUsage("\"" + args.Positionals()[0] + "\" is not a sortable field");

    Session session(Session::Access::SettingsOnly);
    DbKestrin& journal = session.Journal();
    SORTORDERSPEC current[CEDB_MAXSORTORDER] {};
    journal.GetSortOrders(current);
    bool descending = (current[0].dwFlags & CEDB_SORT_DESCENDING) != 0;
    if (args.Has("ascending"))
        descending = false;
    if (args.Has("descending"))
        descending = true;
    SORTORDERSPEC specs[2] {};
    DWORD sortType = 0;
    int count = SortOrdersForField(field->GetID(), descending, specs, &sortType);
    journal.SortByProp(specs, static_cast<WORD>(count));
    SORTORDERSPEC after[CEDB_MAXSORTORDER] {};
    journal.GetSortOrders(after);
    if (after[0].propid != specs[0].propid || after[0].dwFlags != specs[0].dwFlags)
        Fail("the journal could not be sorted (is it in use?)");
    session.Settings().WriteInt(Session::kSection, kSortByValue, field->GetID());
    if (sortType != 0)
        session.Settings().WriteInt(Session::kSection, kSortTypeValue, static_cast<int>(sortType));
    return 0;
}

int RunFilter(const Words& words)
{
    ParsedArgs args(words,
        { { "range", 2 }, { "months", 1 }, { "category", kMany }, { "categories-only", 0 }, { "clear", 0 } });
    args.ExpectPositionals(0, 0);
    Session session(Session::Access::SettingsOnly);
    ZFilter& filter = session.Journal().GetFilter();
    bool dates = args.Has("range") || args.Has("months");
    if (args.Has("clear")) {
        if (dates || args.Has("category") || args.Has("categories-only"))
            BadUsage("--clear takes no other option");
        filter.ClearFilter(session.Settings(), Session::kSection);
        return 0;
    }
    if (!dates && !args.Has("category")) {
        if (args.Has("categories-only"))
            BadUsage("--categories-only needs --category");
        PrintFilter(filter);
        return 0;
    }
    if (args.Has("range") && args.Has("months"))
        BadUsage("--range and --months exclude each other");
    if (args.Has("categories-only") && dates)
        BadUsage("--categories-only excludes --range and --months");

    // The new filter replaces the saved one as a whole.
    filter.ClearFilter(session.Settings(), Session::kSection);
    if (args.Has("range")) {
        std::vector<std::string> range = args.All("range");
        ZTime from = StartOfDate(range[0]);
        ZTime to = StartOfDate(range[1]);
        if (to < from)
            BadUsage("the range ends before it starts");
        filter.SetByRange(TRUE);
        filter.SetStart(from);
        filter.SetEnd(EndOfDay(to));
    } else if (args.Has("months")) {
        DWORD months = 0;
        for (const std::string& month : SplitList(*args.One("months")))
            months |= MonthBit(static_cast<int>(ParseInteger(month, 1, 12, "month")));
        if (months == 0)
            BadUsage("--months needs at least one month");
        filter.SetByRange(FALSE);
        filter.SetMonths(months);
    }
    if (args.Has("category")) {
        DbCats categories;
        if (!categories.Open(nullptr))
            Fail("cannot open the categories database");
        for (const std::string& name : args.All("category")) {
            ZString wide = Wide(name);
            const CEOID oid = categories.FindCategory(wide);
            // A filter on a name no category has would show nothing and
            // say nothing about why.
            if (oid == 0) {
                categories.Close();
                Fail("no category \"" + name + "\" (see kestrin-cli categories)");
            }
            filter.AddCategory(DbCItem(oid, wide));
        }
        categories.Close();
        filter.SetByCatsOnly(args.Has("categories-only") || !dates ? TRUE : FALSE);
        if (!dates)
            filter.SetByRange(FALSE);
    }
    filter.SetActive(TRUE);
    filter.SaveFilter(session.Settings(), Session::kSection);
    return 0;
}

int RunFind(const Words& words)
{
    ParsedArgs args(words, { { "date", 1 }, { "subject", 1 }, { "note", 1 }, { "match-case", 0 } });
    args.ExpectPositionals(0, 0);
    int kinds = args.Has("date") + args.Has("subject") + args.Has("note");
    if (kinds != 1)
        BadUsage("give exactly one of --date, --subject, --note");
    if (args.Has("date") && args.Has("match-case"))
        BadUsage("--match-case applies to text searches only");
    bool matchCase = args.Has("match-case");
    std::vector<CEOID> found;
    if (auto date = args.One("date")) {
        ZTime day = StartOfDate(*date);
        Session session;
        found = FindEntriesOnDay(session.Journal(), day);
    } else {
        std::string text = args.Has("subject") ? *args.One("subject") : *args.One("note");
        if (text.empty())
            BadUsage("the search text is empty");
        Session session;
        // As the program does: the index is built once when missing or
        // behind (a store that cannot be written is searched by walking).
        PrepareFindIndex(session.Journal());
        found = args.Has("subject") ? FindEntriesBySubject(session.Journal(), Wide(text), matchCase)
                                    : FindEntriesByNote(session.Journal(), Wide(text), matchCase);
    }
    std::string out;
    for (CEOID oid : found)
        out += std::to_string(oid) + "\n";
    Print(out);
    return 0;
}
