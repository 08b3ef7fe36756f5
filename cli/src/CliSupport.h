#pragma once
// The command line's plumbing: parsing a command's words against its option
// table, checking numbers and dates typed by the user, printing UTF-8, and
// the session (object store, journal, settings, saved filter) a command
// works on. Everything here is about the command line itself; the journal's
// behaviour comes from libkstdata.

#include "ConsoleProgress.h"
#include "DbKestrin.h"
#include "ZRegistry.h"
#include "ZString.h"
#include "ZTime.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Ends a command: code 1 (failure) or 2 (bad usage) and a one-line message.
struct CliFailure {
    int code;
    std::string message;
};
[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void BadUsage(const std::string& message);

// One option a command accepts.
struct OptionSpec {
    const char* name; // without the leading "--"
    // Number of values that follow: 0, 1, 2, or kMany (one or more, up to the
    // next word starting with "--").
    int values;
};
inline constexpr int kMany = -1;

// The parsed words of one command. Unknown options, missing values and
// (unless allowed) positional words are bad usage.
class ParsedArgs {
public:
    ParsedArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs);

    bool Has(const std::string& name) const { return m_options.count(name) != 0; }
    // The values of every occurrence, in order.
    std::vector<std::string> All(const std::string& name) const;
    // The value of the last occurrence of a one-value option.
    std::optional<std::string> One(const std::string& name) const;
    const std::vector<std::string>& Positionals() const { return m_positionals; }
    // Bad usage unless the number of positional words is in min..max.
    void ExpectPositionals(std::size_t min, std::size_t max) const;

private:
    std::map<std::string, std::vector<std::string>> m_options;
    std::vector<std::string> m_positionals;
};

// Checked conversions of user input; each fails with bad usage naming `what`.
CEOID ParseOid(const std::string& text);
long ParseInteger(const std::string& text, long min, long max, const char* what);
// "YYYY-MM-DD" (midnight) or "YYYY-MM-DD HH:MM" in local time.
ZTime ParseDateTime(const std::string& text);
// A length of time: minutes, h:mm or numbers with units (ZTime::ParseTypedDuration).
ZTime ParseDurationText(const std::string& text);
// A value-table entry by text (ignoring case) or index; the message of a
// wrong one lists the valid values.
int ParseTableIndex(const std::string& text, const WCHAR* (*table)(int), int count, const char* what);
// Comma-separated items ("1,3,5"), empty items dropped.
std::vector<std::string> SplitList(const std::string& text, char separator = ',');

// UTF-8 text of wide strings.
std::string Utf8(LPCWSTR text);
std::string Utf8(const std::u16string& text);
ZString Wide(const std::string& text);
// "YYYY-MM-DD HH:MM" of a point in time.
std::string IsoDateTime(const ZTime& time);
// The text with tabs and line breaks turned into spaces (one output line).
std::string OneLine(std::string text);

// Writes `text` to stdout as it is.
void Print(const std::string& text);

// Fails when `path` names a folder (a file is wanted there).
void RequireNotFolder(const std::string& path);

// The progress shown on stderr while long work runs: one line updating in
// place, when stderr is a terminal; null (nothing shown) otherwise.
std::unique_ptr<ConsoleProgress> StderrProgress();

// The journal and settings a command works on: the object store of the
// data folder ($KESTRIN_HOME, else $XDG_DATA_HOME/kestrin), the journal
// opened in it, the settings store with the saved filter loaded into the
// journal. Fails the command when the store or journal cannot be opened, and
// (for commands that read or write entries) when the journal has a password
// and the right one is not given (PasswordGate.h).
class Session {
public:
    static constexpr const WCHAR* kProfileKey = u"Software\\Quorvalent\\Kestrin";
    static constexpr const WCHAR* kSection = u"Options";

    enum class Access { Entries, SettingsOnly };

    explicit Session(Access access = Access::Entries);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DbKestrin& Journal() { return m_journal; }
    ZRegistry& Settings() { return m_settings; }
    // Fails unless `oid` is an entry of the journal.
    void RequireEntry(CEOID oid);
    void RequireEntries(const std::vector<CEOID>& oids)
    {
        for (CEOID oid : oids)
            RequireEntry(oid);
    }

private:
    DbKestrin m_journal;
    ZRegistry m_settings;
};
