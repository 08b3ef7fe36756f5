#pragma once
// ExportWriter: writes journal entries to a comma-separated or simple-text
// file. The export dialog (and the command line) choose the file, the
// format, the scope, the fields and the header option; this class does the
// writing and the counting.
//
// Comma-separated: an optional header line of the chosen fields' labels,
// then one line per entry, every value in double quotes, separated by
// commas, each line ending in CR LF. A double quote inside a value is
// doubled, so any CSV reader gets the value back.
// Simple text: one line per chosen field, "Label: value" with labels on or
// the bare value; the Note's label stands on its own line ("Note:") and
// the note follows. Lines end in CR LF; entries follow each other directly.
//
// Values: texts as they are; Date as the locale's short date (simple text:
// short date, a space and the time without seconds); Duration as its
// duration text; Type, Priority and Sensitivity as their table texts (an
// index outside the table gives nothing); contacts joined by "; ";
// categories joined by ", "; the note's plain text. Files are UTF-8.
//
// Scopes: All writes every entry (an active filter does not hide any);
// Filtered writes the entries passing the filter; Selected writes the given
// OIDs in their order, each only when it passes the filter. An entry that
// cannot be read is skipped and not counted.
//
// The file is written to a temporary file beside the target and renamed
// over it at the end, so an old, longer file never keeps trailing bytes and
// a failed export leaves the old file as it was.
//
// The journal is not owned and must stay open. Not copyable; not
// thread-safe.

#include "DbKestrin.h"
#include "ZCProgress.h"
#include "ZJITEMS.h"
#include "ZString.h"

#include <string>
#include <vector>

class RecordProps;

enum class ExportFormat { CommaSeparated, SimpleText };
enum class ExportScope { All, Selected, Filtered };

struct ExportOptions {
    ExportFormat format = ExportFormat::CommaSeparated;
    // The header line (comma-separated) or the field labels (simple text).
    bool headerOrLabels = true;
    ExportScope scope = ExportScope::All;
    // Scope Selected: the entries, in the order they are written.
    std::vector<CEOID> selected;
};

class ExportWriter {
public:
    // What the export command shows when the journal has no entry.
    static constexpr const WCHAR* kNoRecordsText = u"No records to export!";

    // The choice starts with the eleven entry fields, all chosen.
    explicit ExportWriter(DbKestrin& journal);
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    // The field choice: a property set whose fields carry FIELD_EXPORT when
    // chosen. The dialog shows its labels in order and sets or clears the
    // flag; a field of an entry is written when the field with the same
    // property id and control type here carries the flag.
    ZJITEMS& Choice() { return m_choice; }
    // Chooses (or drops) the field `propId`; false when the choice has no
    // such field.
    bool Choose(CEPROPID propId, bool chosen);
    // Drops every field.
    void ChooseNone();

    // Writes the entries of `options.scope` to `path`. Returns the number of
    // entries written; 0 also when the file could not be written, which
    // Failed() and ErrorText() tell (the old file at `path` is then kept).
    // Progress: range 0..n (the entries of the scope), position = entries
    // written so far.
    DWORD Export(LPCWSTR path, const ExportOptions& options, ZCProgress* progress);
    bool Failed() const { return !m_error.IsEmpty(); }
    const ZString& ErrorText() const { return m_error; }

    // "Exported %d record%s": "" after a count of 1, "s" otherwise.
    static ZString CountMessage(DWORD count);
    // The text written for one field of an entry.
    static std::u16string FieldText(const DbJItem& field, ExportFormat format);

private:
    // Appends the entry read into `props` in the chosen format.
    void AppendEntry(std::string& out, const RecordProps& props, const ExportOptions& options) const;
    void AppendHeader(std::string& out) const;

    DbKestrin& m_journal;
    ZJITEMS m_choice;
    ZString m_error;
};
