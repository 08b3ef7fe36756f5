// add, list, show, delete, copy.

#include "CliSupport.h"
#include "Commands.h"

#include "DbCats.h"
#include "DbTmp.h"
#include "ExportWriter.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "NoteBlob.h"
#include "PackedLists.h"

#include <string>

namespace {

FILETIME FileTime(const ZTime& time)
{
    return time.ToFileTime();
}

void SetText(ZJITEMS& set, CEPROPID id, const std::string& text)
{
    set.GetItem(id)->SetStrValue(Wide(text));
}

// Category OIDs as the category picker stores them (0 for a new name; the
// journal adds the category when it writes the entry).
void StoreCategories(ZJITEMS& set, const std::vector<std::string>& names)
{
    PackedListWriter list;
    DbCats categories;
    bool open = categories.Open(nullptr);
    for (const std::string& name : names) {
        ZString wide = Wide(name);
        list.AddCategory(open ? categories.FindCategory(wide) : 0, wide);
    }
    if (open)
        categories.Close();
    list.StoreIn(*set.GetItem(PROPID_CATEGORIES));
}

// The OIDs a command is given (one or more).
std::vector<CEOID> OidArguments(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(1, SIZE_MAX);
    std::vector<CEOID> oids;
    for (const std::string& word : args.Positionals())
        oids.push_back(ParseOid(word));
    return oids;
}

} // namespace

int RunAdd(const Words& words)
{
    ParsedArgs args(words,
        { { "subject", 1 }, { "date", 1 }, { "type", 1 }, { "company", 1 }, { "category", kMany },
            { "contact", kMany }, { "duration", 1 }, { "priority", 1 }, { "sensitivity", 1 }, { "note", 1 },
            { "attachment", 1 }, { "add-contact", 0 } });
    args.ExpectPositionals(0, 0);
    std::optional<std::string> subject = args.One("subject");
    if (!subject)
        BadUsage("--subject is required");
    if (subject->find_first_not_of(" \t") == std::string::npos)
        BadUsage("the subject is empty; give the entry a subject");

    ZJITEMS set;
    DbTmp::Initialize(&set);
    SetText(set, PROPID_SUBJECT, *subject);
    ZTime date;
    if (auto text = args.One("date"))
        date = ParseDateTime(*text);
    else
        date.SetNow();
    set.GetItem(PROPID_DATE)->SetFileTime(FileTime(date));
    std::string type = args.One("type").value_or("Note");
    set.GetItem(PROPID_TYPE)
        ->SetShort(static_cast<SHORT>(ParseTableIndex(type, TypeText, TYPE_COUNT, "type")));
    std::string priority = args.One("priority").value_or("Normal");
    set.GetItem(PROPID_PRIORITY)
        ->SetShort(static_cast<SHORT>(ParseTableIndex(priority, PriorityText, PRIORITY_COUNT, "priority")));
    std::string sensitivity = args.One("sensitivity").value_or("Normal");
    set.GetItem(PROPID_SENSITIVITY)
        ->SetShort(static_cast<SHORT>(
            ParseTableIndex(sensitivity, SensitivityText, SENSITIVITY_COUNT, "sensitivity")));
    if (auto company = args.One("company"))
        SetText(set, PROPID_COMPANY, *company);
    if (auto duration = args.One("duration"))
        set.GetItem(PROPID_DURATION)->SetFileTime(FileTime(ParseDurationText(*duration)));
    if (auto attachment = args.One("attachment")) {
        ZString path = Wide(*attachment);
        path.DoubleAmpersands();
        set.GetItem(PROPID_ATTACHMENT)->SetStrValue(path);
    }
    if (auto note = args.One("note")) {
        std::vector<BYTE> blob = WriteNote(Wide(*note).ToU16(), "");
        CEBLOB value { static_cast<DWORD>(blob.size()), blob.data() };
        set.GetItem(PROPID_NOTE)->SetBlob(&value);
    }
    Session session;
    StoreLinkedContacts(session, set, args.All("contact"), args.Has("add-contact"));
    StoreCategories(set, args.All("category"));
    CEOID oid = session.Journal().Write(0, &set);
    if (oid == 0)
        Fail("the entry could not be written");
    session.Journal().SetFlags(oid, 3);
    Print(std::to_string(oid) + "\n");
    return 0;
}

int RunList(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(0, 0);
    Session session;
    std::string out;
    for (const EntryLine& line : ListShownEntries(session.Journal())) {
        out += std::to_string(line.oid);
        out += '\t';
        out += IsoDateTime(ZTime(line.date));
        out += '\t';
        out += Utf8(TypeText(line.type));
        out += '\t';
        out += OneLine(Utf8(line.subject));
        out += '\n';
        if (out.size() >= (1u << 16)) {
            Print(out);
            out.clear();
        }
    }
    Print(out);
    return 0;
}

int RunShow(const Words& words)
{
    ParsedArgs args(words, {});
    args.ExpectPositionals(1, 1);
    CEOID oid = ParseOid(args.Positionals()[0]);
    Session session;
    session.RequireEntry(oid);
    ZJITEMS set;
    if (session.Journal().Read(oid, &set, FALSE) != oid)
        Fail("entry " + std::to_string(oid) + " cannot be read");
    std::string out = "OID: " + std::to_string(oid) + "\n";
    for (const DbJItem* field : set) {
        std::string value = Utf8(ExportWriter::FieldText(*field, ExportFormat::SimpleText));
        out += Utf8(field->GetLabel());
        if (field->GetPropID() == PROPID_NOTE)
            out += value.empty() ? ":\n" : ":\n" + value + "\n";
        else
            out += ": " + value + "\n";
    }
    Print(out);
    return 0;
}

int RunDelete(const Words& words)
{
    std::vector<CEOID> oids = OidArguments(words);
    Session session;
    session.RequireEntries(oids);
    for (CEOID oid : oids)
        if (!session.Journal().DeleteEntry(oid))
            Fail("entry " + std::to_string(oid) + " could not be deleted");
    return 0;
}

int RunCopy(const Words& words)
{
    std::vector<CEOID> oids = OidArguments(words);
    Session session;
    session.RequireEntries(oids);
    std::vector<CEOID> copies = CopyEntries(session.Journal(), oids);
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (copies[i] == 0)
            Fail("entry " + std::to_string(oids[i]) + " could not be copied");
        Print(std::to_string(copies[i]) + "\n");
    }
    return 0;
}
