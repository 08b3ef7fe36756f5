#include "ExportWriter.h"

#include "AtomicFileWriter.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "PackedLists.h"
#include "ZTime.h"

#include <cstdio>

namespace {

constexpr std::size_t kWriteChunk = 1u << 20;

std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}
std::u16string Text(const ZString& text)
{
    return text.IsEmpty() ? std::u16string() : std::u16string(text.Text());
}

template <typename Item>
std::u16string JoinNames(const std::vector<Item>& items, std::u16string_view separator)
{
    std::u16string joined;
    for (const Item& item : items) {
        if (!joined.empty())
            joined += separator;
        joined += Text(item.GetName());
    }
    return joined;
}

void AppendUtf8(std::string& out, const std::u16string& text)
{
    out += ZString::AnsiBytes(text.c_str());
}

// The value inside double quotes, every double quote doubled.
void AppendQuoted(std::string& out, const std::u16string& text)
{
    std::string bytes = ZString::AnsiBytes(text.c_str());
    for (char c : bytes) {
        out += c;
        if (c == '"')
            out += '"';
    }
}

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The text written for one field value.
std::u16string ValueText(const CEPROPVAL& value, ExportFormat format)
{
    switch (value.propid) {
    case PROPID_DATE: {
        ZTime date(Ticks(value.val.filetime));
        ZString text;
        if (format == ExportFormat::CommaSeparated)
            date.ShortDate(text);
        else
            date.DateTimeText(text);
        return Text(text);
    }
    case PROPID_DURATION: {
        ZString text;
        ZTime(Ticks(value.val.filetime)).DurationText(text);
        return Text(text);
    }
    case PROPID_TYPE:
        return Text(TypeText(value.val.iVal));
    case PROPID_PRIORITY:
        return Text(PriorityText(value.val.iVal));
    case PROPID_SENSITIVITY:
        return Text(SensitivityText(value.val.iVal));
    case PROPID_CONTACTS: {
        std::vector<DbAItem> contacts;
        UnpackContacts(value.val.blob, contacts);
        return JoinNames(contacts, u"; ");
    }
    case PROPID_CATEGORIES: {
        std::vector<DbCItem> categories;
        UnpackCategories(value.val.blob, categories);
        return JoinNames(categories, u", ");
    }
    case PROPID_NOTE:
        return NotePlainText(value.val.blob);
    default:
        return (value.propid & 0xFFFF) == CEVT_LPWSTR ? Text(value.val.lpwstr) : std::u16string();
    }
}

} // namespace

ExportWriter::ExportWriter(DbKestrin& journal)
    : m_journal(journal)
{
    DbTmp::Initialize(&m_choice);
    for (DbJItem* field : m_choice)
        field->SetFlag(FIELD_EXPORT);
}

bool ExportWriter::Choose(CEPROPID propId, bool chosen)
{
    DbJItem* field = m_choice.GetItem(propId);
    if (field == nullptr)
        return false;
    if (chosen)
        field->SetFlag(FIELD_EXPORT);
    else
        field->DelFlag(FIELD_EXPORT);
    return true;
}

void ExportWriter::ChooseNone()
{
    for (DbJItem* field : m_choice)
        field->DelFlag(FIELD_EXPORT);
}

ZString ExportWriter::CountMessage(DWORD count)
{
    char text[64];
    std::snprintf(text, sizeof(text), "Exported %u record%s", count, count == 1 ? "" : "s");
    return ZString::FromUtf8(text);
}

std::u16string ExportWriter::FieldText(const DbJItem& field, ExportFormat format)
{
    std::unique_ptr<DItemObject> copy = field.Clone();
    CEPROPVAL value {};
    copy->GetProp(&value);
    return ValueText(value, format);
}

void ExportWriter::AppendHeader(std::string& out) const
{
    bool first = true;
    for (const DbJItem* field : m_choice) {
        if (!field->IsFlag(FIELD_EXPORT))
            continue;
        out += first ? "\"" : "\",\"";
        first = false;
        AppendQuoted(out, Text(field->GetLabel()));
    }
    if (!first)
        out += "\"\r\n";
}

void ExportWriter::AppendEntry(std::string& out, const RecordProps& props, const ExportOptions& options) const
{
    bool csv = options.format == ExportFormat::CommaSeparated;
    bool first = true;
    for (const DbJItem* field : m_choice) {
        if (!field->IsFlag(FIELD_EXPORT))
            continue;
        std::u16string value = ValueText(EntryValue(props, field->GetPropID()), options.format);
        if (csv) {
            out += first ? "\"" : "\",\"";
            AppendQuoted(out, value);
        } else {
            if (options.headerOrLabels) {
                AppendUtf8(out, Text(field->GetLabel()));
                out += field->GetPropID() == PROPID_NOTE ? ":\r\n" : ": ";
            }
            AppendUtf8(out, value);
            out += "\r\n";
        }
        first = false;
    }
    if (csv && !first)
        out += "\"\r\n";
}

DWORD ExportWriter::Export(LPCWSTR path, const ExportOptions& options, ZCProgress* progress)
{
    m_error.Empty();
    AtomicFileWriter writer(path);
    if (path == nullptr || *path == 0 || !writer.Open()) {
        ZString reason;
        reason.LastErrorText();
        std::u16string text = u"The export file cannot be written: " + Text(reason);
        m_error.Assign(text.c_str());
        return 0;
    }
    ZFile& file = writer.File();
    std::string out;
    bool writeFailed = false;
    auto flush = [&] {
        if (!out.empty() && file.Write(out.data(), static_cast<DWORD>(out.size())) != out.size())
            writeFailed = true;
        out.clear();
    };

    if (options.format == ExportFormat::CommaSeparated && options.headerOrLabels)
        AppendHeader(out);

    bool applyFilter = options.scope != ExportScope::All;
    DWORD total = options.scope == ExportScope::Selected ? static_cast<DWORD>(options.selected.size())
                                                         : m_journal.GetRecordCount32();
    if (progress != nullptr && total != 0)
        progress->SetRange32(0, static_cast<int>(total));

    DWORD count = 0;
    auto writeEntry = [&](CEOID oid) {
        RecordProps props;
        if (oid == 0 || props.Read(m_journal) != oid || !IsEntryRecord(props)
            || (applyFilter && !PassesFilter(m_journal.GetFilter(), props)))
            return;
        AppendEntry(out, props, options);
        ++count;
        if (out.size() >= kWriteChunk)
            flush();
        if (progress != nullptr)
            progress->SetPos(static_cast<int>(count));
    };
    if (options.scope == ExportScope::Selected) {
        for (CEOID oid : options.selected)
            if (!writeFailed && oid != 0 && m_journal.SeekOid(oid) == oid)
                writeEntry(oid);
    } else {
        for (CEOID oid = m_journal.SeekFirst(); oid != 0 && !writeFailed; oid = m_journal.SeekNext())
            writeEntry(oid);
    }
    flush();
    if (writeFailed || !writer.Commit()) {
        ZString reason;
        reason.LastErrorText();
        std::u16string text
            = u"The export file could not be written (the previous file is unchanged): " + Text(reason);
        m_error.Assign(text.c_str());
        return 0;
    }
    return count;
}
