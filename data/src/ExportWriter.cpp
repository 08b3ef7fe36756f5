#include "ExportWriter.h"

#include "AtomicFileWriter.h"
#include "DbTmp.h"
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

std::u16string TableText(const WCHAR* (*table)(int), SHORT index)
{
    return Text(table(index));
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

bool ExportWriter::IsChosen(const DbJItem& field) const
{
    for (const DbJItem* choice : m_choice)
        if (*choice == field)
            return choice->IsFlag(FIELD_EXPORT) != 0;
    return false;
}

ZString ExportWriter::CountMessage(DWORD count)
{
    char text[64];
    std::snprintf(text, sizeof(text), "Exported %u record%s", count, count == 1 ? "" : "s");
    return ZString::FromUtf8(text);
}

std::u16string ExportWriter::FieldText(const DbJItem& field, ExportFormat format)
{
    switch (field.GetPropID()) {
    case PROPID_DATE: {
        ZTime date(Ticks(field.GetFileTime()));
        ZString text;
        if (format == ExportFormat::CommaSeparated)
            date.ShortDate(text);
        else
            date.DateTimeText(text);
        return Text(text);
    }
    case PROPID_DURATION: {
        ZString text;
        ZTime(Ticks(field.GetFileTime())).DurationText(text);
        return Text(text);
    }
    case PROPID_TYPE:
        return TableText(TypeText, field.GetShort());
    case PROPID_PRIORITY:
        return TableText(PriorityText, field.GetShort());
    case PROPID_SENSITIVITY:
        return TableText(SensitivityText, field.GetShort());
    case PROPID_CONTACTS: {
        std::vector<DbAItem> contacts;
        UnpackContacts(*field.GetBlob(), contacts);
        return JoinNames(contacts, u"; ");
    }
    case PROPID_CATEGORIES: {
        std::vector<DbCItem> categories;
        UnpackCategories(*field.GetBlob(), categories);
        return JoinNames(categories, u", ");
    }
    case PROPID_NOTE:
        return NotePlainText(*field.GetBlob());
    default:
        return field.GetPropType() == CEVT_LPWSTR ? Text(field.GetStrValue()) : std::u16string();
    }
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

void ExportWriter::AppendEntry(std::string& out, const ZJITEMS& set, const ExportOptions& options) const
{
    bool csv = options.format == ExportFormat::CommaSeparated;
    bool first = true;
    for (const DbJItem* field : set) {
        if (!IsChosen(*field))
            continue;
        std::u16string value = FieldText(*field, options.format);
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
        ZJITEMS set;
        if (oid == 0 || m_journal.Read(oid, &set, applyFilter ? TRUE : FALSE) != oid)
            return;
        AppendEntry(out, set, options);
        ++count;
        if (out.size() >= kWriteChunk)
            flush();
        if (progress != nullptr)
            progress->SetPos(static_cast<int>(count));
    };
    if (options.scope == ExportScope::Selected) {
        for (CEOID oid : options.selected)
            if (!writeFailed)
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
