#include "CliSupport.h"

#include "JournalProps.h"
#include "ObjectStore.h"
#include "PasswordGate.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

void Fail(const std::string& message)
{
    throw CliFailure { 1, message };
}
void BadUsage(const std::string& message)
{
    throw CliFailure { 2, message };
}

ParsedArgs::ParsedArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 3 || word.compare(0, 2, "--") != 0) {
            if (word == "--")
                optionsEnded = true;
            else
                m_positionals.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> inlineValue;
        if (std::size_t equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& candidate : specs)
            if (name == candidate.name)
                option = &candidate;
        if (option == nullptr)
            BadUsage("unknown option --" + name);
        std::vector<std::string>& values = m_options[name];
        // Only a list option may be repeated: a second value for any other
        // would silently replace the first.
        if (option->values != kMany && !values.empty())
            BadUsage("--" + name + " is given more than once");
        if (inlineValue) {
            if (option->values != 1)
                BadUsage("--" + name + " takes no single value");
            values.push_back(*inlineValue);
            continue;
        }
        int wanted = option->values;
        if (wanted == kMany) {
            std::size_t before = values.size();
            while (i + 1 < words.size() && words[i + 1].compare(0, 2, "--") != 0)
                values.push_back(words[++i]);
            if (values.size() == before)
                BadUsage("--" + name + " needs a value");
            continue;
        }
        for (int n = 0; n < wanted; ++n) {
            if (i + 1 >= words.size())
                BadUsage("--" + name + " needs " + std::to_string(wanted) + " value(s)");
            values.push_back(words[++i]);
        }
    }
}

std::vector<std::string> ParsedArgs::All(const std::string& name) const
{
    auto found = m_options.find(name);
    return found == m_options.end() ? std::vector<std::string>() : found->second;
}

std::optional<std::string> ParsedArgs::One(const std::string& name) const
{
    auto found = m_options.find(name);
    if (found == m_options.end() || found->second.empty())
        return std::nullopt;
    return found->second.back();
}

void ParsedArgs::ExpectPositionals(std::size_t min, std::size_t max) const
{
    if (m_positionals.size() < min)
        BadUsage("missing argument");
    if (m_positionals.size() > max)
        BadUsage("unexpected argument \"" + m_positionals[max] + "\"");
}

long ParseInteger(const std::string& text, long min, long max, const char* what)
{
    if (text.empty() || text.size() > 18)
        BadUsage(std::string("invalid ") + what + " \"" + text + "\"");
    std::size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size())
        BadUsage(std::string("invalid ") + what + " \"" + text + "\"");
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            BadUsage(std::string("invalid ") + what + " \"" + text + "\"");
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < min || value > max)
        BadUsage(std::string(what) + " \"" + text + "\" is out of range (" + std::to_string(min) + ".."
            + std::to_string(max) + ")");
    return static_cast<long>(value);
}

CEOID ParseOid(const std::string& text)
{
    return static_cast<CEOID>(ParseInteger(text, 1, 0xFFFFFFFFL, "entry OID"));
}

ZTime ParseDateTime(const std::string& text)
{
    constexpr int kFirstYear = 1601;
    auto digits = [&](std::size_t at, std::size_t count) {
        if (at + count > text.size())
            return -1;
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    SYSTEMTIME time {};
    int year = digits(0, 4);
    int month = digits(5, 2);
    int day = digits(8, 2);
    bool shapeOk
        = text.size() >= 10 && text[4] == '-' && text[7] == '-' && year >= 0 && month >= 0 && day >= 0;
    int hour = 0;
    int minute = 0;
    if (shapeOk && text.size() > 10) {
        hour = digits(11, 2);
        minute = digits(14, 2);
        shapeOk = text.size() == 16 && (text[10] == ' ' || text[10] == 'T') && text[13] == ':' && hour >= 0
            && hour < 24 && minute >= 0 && minute < 60;
    }
    if (!shapeOk)
        BadUsage("invalid date \"" + text + "\" (expected YYYY-MM-DD or \"YYYY-MM-DD HH:MM\")");
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    if (year < kFirstYear)
        BadUsage("date \"" + text + "\" is out of range (" + std::to_string(kFirstYear)
            + "-01-01 to 9999-12-31)");
    ZTime result(time);
    if (result.Ticks() == 0)
        BadUsage("invalid date \"" + text + "\": that day does not exist");
    return result;
}

int ParseTableIndex(const std::string& text, const WCHAR* (*table)(int), int count, const char* what)
{
    ZString wanted = Wide(text);
    std::string names;
    for (int i = 0; i < count; ++i) {
        if (wanted.EqualsNoCase(table(i)))
            return i;
        names += (i == 0 ? "" : ", ") + Utf8(table(i));
    }
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || text.size() > 9 || std::stol(text) >= count)
        BadUsage(std::string("invalid ") + what + " \"" + text + "\"; valid: " + names + " (or 0.."
            + std::to_string(count - 1) + ")");
    return static_cast<int>(std::stol(text));
}

ZTime ParseDurationText(const std::string& text)
{
    ZTime length;
    if (!ZTime::ParseTypedDuration(Wide(text), length))
        BadUsage("invalid duration \"" + text + "\"; give " + ZTime::kTypedDurationForms + ", at most "
            + std::to_string(ZTime::kMaxTypedYears) + " years");
    return length;
}

std::vector<std::string> SplitList(const std::string& text, char separator)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::string Utf8(LPCWSTR text)
{
    return text ? ZString::AnsiBytes(text) : std::string();
}
std::string Utf8(const std::u16string& text)
{
    return ZString::AnsiBytes(text.c_str());
}
ZString Wide(const std::string& text)
{
    return ZString::FromUtf8(text);
}

std::string IsoDateTime(const ZTime& time)
{
    SYSTEMTIME t = time.ToSystemTime();
    char text[32];
    std::snprintf(
        text, sizeof(text), "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

namespace {

// A write that finds another process's integrity check running waits for it
// to end; the user is told why nothing happens meanwhile.
void SayCheckWait(bool waiting)
{
    if (waiting)
        std::fputs("kestrin-cli: an integrity check is running; waiting for it to end\n", stderr);
}

} // namespace

void RequireNotFolder(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        Fail("\"" + path + "\" is a folder; give a file name");
}

std::unique_ptr<ConsoleProgress> StderrProgress()
{
    if (isatty(fileno(stderr)) == 0)
        return nullptr;
    return std::make_unique<ConsoleProgress>(stderr, true);
}

Session::Session(Access access)
{
    ObjectStore::SetCheckWaitNotice(SayCheckWait);
    if (!ObjectStore::OpenDefault())
        Fail("cannot open the journal store " + ObjectStore::DefaultPath().string() + ": "
            + ObjectStore::LastOpenError());
    if (!m_journal.Open(nullptr))
        Fail("cannot open the journal in " + ObjectStore::DefaultPath().string());
    if (m_settings.Open(kProfileKey) != 0)
        Fail("cannot open the settings store");
    if (access == Access::Entries)
        RequirePassword(m_settings, kSection);
    m_journal.GetFilter().LoadFilter(m_settings, kSection);
}

Session::~Session()
{
    m_journal.Close();
}

void Session::RequireEntry(CEOID oid)
{
    if (m_journal.SeekOid(oid) != oid || m_journal.GetRecordType(oid) != KIND_ENTRY)
        Fail("no entry " + std::to_string(oid));
}
