#include "Vjournal.h"

#include "CodePage.h"
#include "DbJItem.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "PackedLists.h"
#include "ZJITEMS.h"
#include "ZString.h"
#include "ZTime.h"

#include <libical/ical.h>

#include <array>
#include <ctime>
#include <memory>
#include <random>

namespace {

constexpr const char* kTypeProp = "X-KESTRIN-TYPE";
constexpr const char* kCompanyProp = "X-KESTRIN-COMPANY";
constexpr const char* kDurationProp = "X-KESTRIN-DURATION";
constexpr const char* kSensitivityProp = "X-KESTRIN-SENSITIVITY";
constexpr const char* kNoteProp = "X-KESTRIN-NOTE";
constexpr const char* kDateTicksProp = "X-KESTRIN-DATE";
constexpr const char* kContactUidParam = "X-KESTRIN-UID";
constexpr SHORT kTypeTask = 8;
constexpr SHORT kTypeAppointment = 9;
// A DESCRIPTION longer than this is not a journal note but an attack on memory.
constexpr std::size_t kMaxFileBytes = 64u << 20;

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// The two private-use characters the writer lends category names (see
// WithStandIns) never come from a text itself.
bool IsStandIn(char16_t c)
{
    return c == 0xE000 || c == 0xE001;
}

std::string Utf8(std::u16string_view text)
{
    std::u16string clean(text);
    std::erase_if(clean, IsStandIn);
    return ZString::AnsiBytes(clean.data(), static_cast<int>(clean.size()));
}

// The text without control characters other than line feed and tab: libical
// drops them when it writes, so a text holding them would not come back as
// it was (carriage returns of typed notes included).
// Spaces and tabs around a value go too: libical drops them when it reads.
std::u16string WithoutControls(std::u16string text)
{
    std::erase_if(
        text, [](char16_t c) { return (c < 0x20 && c != u'\n' && c != u'\t') || c == 0x7F || IsStandIn(c); });
    text.erase(0, text.find_first_not_of(u" \t"));
    text.erase(text.find_last_not_of(u" \t") + 1);
    return text;
}

std::u16string Text(const char* utf8)
{
    return utf8 ? WithoutControls(DecodeSystemCodePage(utf8)) : std::u16string();
}

std::u16string Replace(std::u16string text, std::u16string_view from, std::u16string_view to)
{
    for (std::size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Local ticks as seconds since 1970 UTC (the local zone's rules decide).
long long LocalTicksToUtc(ULONGLONG ticks)
{
    const SYSTEMTIME local = ZTime(ticks).ToSystemTime();
    std::tm fields {};
    fields.tm_year = local.wYear - 1900;
    fields.tm_mon = local.wMonth - 1;
    fields.tm_mday = local.wDay;
    fields.tm_hour = local.wHour;
    fields.tm_min = local.wMinute;
    fields.tm_sec = local.wSecond;
    fields.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&fields));
}

ULONGLONG UtcToLocalTicks(long long seconds)
{
    const std::time_t value = static_cast<std::time_t>(seconds);
    std::tm local {};
    if (!localtime_r(&value, &local))
        return 0;
    SYSTEMTIME out {};
    out.wYear = static_cast<WORD>(local.tm_year + 1900);
    out.wMonth = static_cast<WORD>(local.tm_mon + 1);
    out.wDay = static_cast<WORD>(local.tm_mday);
    out.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    out.wHour = static_cast<WORD>(local.tm_hour);
    out.wMinute = static_cast<WORD>(local.tm_min);
    out.wSecond = static_cast<WORD>(local.tm_sec);
    return ZTime(out).Ticks();
}

// The whole seconds of local ticks, the sub-second part dropped.
ULONGLONG WholeSeconds(ULONGLONG ticks)
{
    return ticks - ticks % ZTime::kTicksPerSecond;
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const std::vector<BYTE>& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const DWORD chunk = (DWORD(bytes[i]) << 16) | (left > 1 ? DWORD(bytes[i + 1]) << 8 : 0)
            | (left > 2 ? DWORD(bytes[i + 2]) : 0);
        out += kBase64[(chunk >> 18) & 63];
        out += kBase64[(chunk >> 12) & 63];
        out += left > 1 ? kBase64[(chunk >> 6) & 63] : '=';
        out += left > 2 ? kBase64[chunk & 63] : '=';
    }
    return out;
}

// False when the text holds anything but base64 (whitespace is skipped).
bool Base64Decode(std::string_view text, std::vector<BYTE>& out)
{
    out.clear();
    DWORD chunk = 0;
    int bits = 0;
    for (char c : text) {
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t')
            continue;
        if (c == '=')
            break;
        const char* at = std::char_traits<char>::find(kBase64, 64, c);
        if (!at)
            return false;
        chunk = (chunk << 6) | DWORD(at - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<BYTE>(chunk >> bits));
        }
    }
    return true;
}

// "file://" and the path with every byte but the unreserved ones and "/"
// percent-encoded.
std::string FileUri(std::u16string_view path)
{
    std::string uri = "file://";
    for (unsigned char c : Utf8(path)) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The path of a file URI; any other URI as it is.
std::u16string PathOfUri(std::string_view uri)
{
    if (uri.substr(0, 7) != "file://")
        return DecodeSystemCodePage(uri);
    std::string path;
    for (std::size_t i = 7; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 && HexDigit(uri[i + 2]) >= 0) {
            path += static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return DecodeSystemCodePage(path);
}

// libical writes a category name without escaping its commas and
// semicolons, so a name holding one would come back split. They go to
// libical as private-use stand-ins, which WriteVcalendar turns into the
// escapes once the text is made.
constexpr char kCommaStandIn[] = "\xEE\x80\x80"; // U+E000
constexpr char kSemicolonStandIn[] = "\xEE\x80\x81"; // U+E001

std::string WithStandIns(std::string text)
{
    std::string out;
    for (char c : text)
        out += c == ',' ? kCommaStandIn : c == ';' ? kSemicolonStandIn : std::string(1, c);
    return out;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

icalproperty* NewX(const char* name, const std::string& value)
{
    icalproperty* property = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(property, name);
    return property;
}

icaltimetype UtcTime(long long seconds)
{
    return icaltime_from_timet_with_zone(static_cast<time_t>(seconds), 0, icaltimezone_get_utc_timezone());
}

icalproperty_class ClassOf(SHORT sensitivity)
{
    switch (sensitivity) {
    case 2:
        return ICAL_CLASS_PRIVATE;
    case 3:
        return ICAL_CLASS_CONFIDENTIAL;
    default:
        return ICAL_CLASS_PUBLIC;
    }
}

int IcalPriorityOf(SHORT priority)
{
    return priority == 2 ? 1 : priority == 0 ? 9 : 5;
}

// RFC 5545: 1-4 high, 5 (and 0, undefined) normal, 6-9 low.
SHORT PriorityOfIcal(int value)
{
    if (value >= 1 && value <= 4)
        return 2;
    if (value >= 6 && value <= 9)
        return 0;
    return 1;
}

void AddComponent(icalcomponent* calendar, const VjournalEntry& entry, long long stamp)
{
    icalcomponent* journal = icalcomponent_new(ICAL_VJOURNAL_COMPONENT);
    icalcomponent_set_uid(journal, entry.uid.c_str());
    icalcomponent_add_property(journal, icalproperty_new_dtstamp(UtcTime(stamp)));
    icalcomponent_add_property(
        journal, icalproperty_new_lastmodified(UtcTime(entry.lastModified ? entry.lastModified : stamp)));
    if (entry.date != 0) {
        icalcomponent_add_property(journal, icalproperty_new_dtstart(UtcTime(LocalTicksToUtc(entry.date))));
        icalcomponent_add_property(journal, NewX(kDateTicksProp, std::to_string(entry.date)));
    }
    icalcomponent_add_property(journal, icalproperty_new_summary(Utf8(entry.subject).c_str()));
    const NoteContent note = ReadNote(entry.note.data(), entry.note.size());
    // The text as the reader compares it with the note (a NUL would cut it).
    if (const std::u16string text = WithoutControls(note.plainText); !text.empty())
        icalcomponent_add_property(journal, icalproperty_new_description(Utf8(text).c_str()));
    for (const std::u16string& category : entry.categories) {
        icalcomponent_add_property(journal, icalproperty_new_categories(WithStandIns(Utf8(category)).c_str()));
    }
    icalcomponent_add_property(journal, icalproperty_new_class(ClassOf(entry.sensitivity)));
    icalcomponent_add_property(journal, icalproperty_new_priority(IcalPriorityOf(entry.priority)));
    for (const VjournalContact& contact : entry.contacts) {
        icalproperty* property = icalproperty_new_contact(Utf8(contact.name).c_str());
        if (!contact.uid.empty()) {
            icalparameter* parameter = icalparameter_new_x(contact.uid.c_str());
            icalparameter_set_xname(parameter, kContactUidParam);
            icalproperty_add_parameter(property, parameter);
        }
        icalcomponent_add_property(journal, property);
    }
    if (!entry.attachment.empty()) {
        icalattach* attach = icalattach_new_from_url(FileUri(entry.attachment).c_str());
        icalcomponent_add_property(journal, icalproperty_new_attach(attach));
        icalattach_unref(attach);
    }
    if (const WCHAR* type = TypeText(entry.type))
        icalcomponent_add_property(journal, NewX(kTypeProp, Utf8(type)));
    if (const WCHAR* sensitivity = SensitivityText(entry.sensitivity))
        icalcomponent_add_property(journal, NewX(kSensitivityProp, Utf8(sensitivity)));
    if (!entry.company.empty())
        icalcomponent_add_property(journal, NewX(kCompanyProp, Utf8(entry.company)));
    if (entry.hasDuration)
        icalcomponent_add_property(journal, NewX(kDurationProp, std::to_string(entry.duration)));
    if (!entry.note.empty())
        icalcomponent_add_property(journal, NewX(kNoteProp, Base64Encode(entry.note)));
    for (const std::string& text : entry.keptProperties)
        if (icalproperty* property = icalproperty_new_from_string(text.c_str()))
            icalcomponent_add_property(journal, property);
    icalcomponent_add_component(calendar, journal);
}

bool ValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > bytes.size())
            return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2)
                return false;
        i += length;
    }
    return true;
}

bool UsableTime(icaltimetype time)
{
    return !icaltime_is_null_time(time) && icaltime_is_valid_time(time) && time.year > 1601 && time.year < 30000
        && time.month >= 1 && time.month <= 12 && time.day >= 1
        && time.day <= icaltime_days_in_month(time.month, time.year) && time.hour >= 0 && time.hour < 24
        && time.minute >= 0 && time.minute < 60 && time.second >= 0 && time.second <= 60;
}

// Local ticks of a DTSTART: zoned and UTC times are converted, floating
// times and dates taken as written. False for a time that cannot be read.
bool LocalTicksOf(icaltimetype time, ULONGLONG& ticks)
{
    if (!UsableTime(time))
        return false;
    if (!time.is_date && (icaltime_is_utc(time) || time.zone)) {
        ticks = UtcToLocalTicks(static_cast<long long>(
            icaltime_as_timet_with_zone(time, time.zone ? time.zone : icaltimezone_get_utc_timezone())));
        return ticks != 0;
    }
    SYSTEMTIME fields {};
    fields.wYear = static_cast<WORD>(time.year);
    fields.wMonth = static_cast<WORD>(time.month);
    fields.wDay = static_cast<WORD>(time.day);
    if (!time.is_date) {
        fields.wHour = static_cast<WORD>(time.hour);
        fields.wMinute = static_cast<WORD>(time.minute);
        fields.wSecond = static_cast<WORD>(std::min(time.second, 59));
    }
    ticks = ZTime(fields).Ticks();
    return ticks != 0;
}

SHORT TableIndex(const std::u16string& text, const WCHAR* (*table)(int), int count, SHORT fallback)
{
    for (int i = 0; i < count; ++i)
        if (text == table(i))
            return static_cast<SHORT>(i);
    return fallback;
}

std::string PropertyText(icalproperty* property)
{
    char* text = icalproperty_as_ical_string_r(property);
    std::string out = text ? text : "";
    std::free(text);
    // The text ends in a line break; the writer adds its own.
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

class ComponentReader {
public:
    ComponentReader(icalcomponent* component, icalcomponent_kind kind)
        : component_(component)
        , kind_(kind)
    {
    }

    // False with `problem` set when the component cannot be an entry.
    bool Read(VjournalEntry& entry, std::string& problem)
    {
        const char* uid = icalcomponent_get_uid(component_);
        if (!uid || !*uid) {
            problem = "no UID";
            return false;
        }
        // A UID names the entry's file and must come back as it was written.
        if (!ValidUtf8(uid)) {
            problem = "the UID is not UTF-8";
            return false;
        }
        for (const char* c = uid; *c; ++c) {
            if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) {
                problem = "the UID holds control characters";
                return false;
            }
        }
        // libical drops the spaces around a value when it reads it again.
        entry.uid = uid;
        entry.uid.erase(0, entry.uid.find_first_not_of(" \t"));
        entry.uid.erase(entry.uid.find_last_not_of(" \t") + 1);
        if (entry.uid.empty()) {
            problem = "no UID";
            return false;
        }
        entry.type = kind_ == ICAL_VTODO_COMPONENT ? kTypeTask
            : kind_ == ICAL_VEVENT_COMPONENT       ? kTypeAppointment
                                                   : entry.type;
        std::u16string description;
        bool hasDescription = false;
        std::vector<BYTE> blob;
        bool hasBlob = false;
        ULONGLONG exactDate = 0;
        for (icalproperty* property = icalcomponent_get_first_property(component_, ICAL_ANY_PROPERTY); property;
             property = icalcomponent_get_next_property(component_, ICAL_ANY_PROPERTY)) {
            if (!ReadProperty(property, entry, problem, description, hasDescription, blob, hasBlob, exactDate))
                return false;
        }
        // A time written by this program keeps its sub-second part unless
        // another program moved DTSTART since.
        if (entry.date != 0 && WholeSeconds(exactDate) == entry.date)
            entry.date = exactDate;
        // A blob cut short or not in the current form is not trusted over the text.
        const NoteContent stored = ReadNote(blob.data(), blob.size());
        hasBlob = hasBlob && !stored.damaged && stored.form == NoteContent::Form::Current;
        // Compared as the text comes back from a file (lone surrogates of a
        // damaged note become U+FFFD there).
        if (hasBlob
            && (!hasDescription || WithoutControls(DecodeSystemCodePage(Utf8(stored.plainText))) == description))
            entry.note = std::move(blob);
        else if (hasDescription) {
            // Another program edited the text: it wins, the handwriting stays.
            entry.note = WriteNote(description, "", hasBlob ? stored.ink : std::vector<BYTE> {});
        }
        return true;
    }

private:
    bool ReadProperty(icalproperty* property, VjournalEntry& entry, std::string& problem,
        std::u16string& description, bool& hasDescription, std::vector<BYTE>& blob, bool& hasBlob,
        ULONGLONG& exactDate)
    {
        switch (icalproperty_isa(property)) {
        case ICAL_UID_PROPERTY:
        case ICAL_DTSTAMP_PROPERTY:
            return true;
        case ICAL_SUMMARY_PROPERTY:
            entry.subject = Text(icalproperty_get_summary(property));
            return true;
        case ICAL_DESCRIPTION_PROPERTY:
            description = Text(icalproperty_get_description(property));
            hasDescription = true;
            return true;
        case ICAL_DTSTART_PROPERTY:
            if (!LocalTicksOf(icalproperty_get_dtstart(property), entry.date)) {
                problem = "DTSTART cannot be read";
                return false;
            }
            entry.date = WholeSeconds(entry.date);
            return true;
        case ICAL_DUE_PROPERTY:
            // A task's date is its due date when it has no start.
            if (entry.date == 0 && !LocalTicksOf(icalproperty_get_due(property), entry.date)) {
                problem = "DUE cannot be read";
                return false;
            }
            return true;
        case ICAL_LASTMODIFIED_PROPERTY: {
            const icaltimetype time = icalproperty_get_lastmodified(property);
            if (UsableTime(time))
                entry.lastModified = static_cast<long long>(icaltime_as_timet_with_zone(
                    time, time.zone ? time.zone : icaltimezone_get_utc_timezone()));
            return true;
        }
        case ICAL_CATEGORIES_PROPERTY:
            if (const char* name = icalproperty_get_categories(property); name && *name)
                entry.categories.push_back(Text(name));
            return true;
        case ICAL_CLASS_PROPERTY: {
            const icalproperty_class value = icalproperty_get_class(property);
            // The exact sensitivity (X-KESTRIN-SENSITIVITY) refines this when present.
            if (entry.sensitivity == 0 || ClassOf(entry.sensitivity) != value)
                entry.sensitivity = value == ICAL_CLASS_PRIVATE ? 2 : value == ICAL_CLASS_CONFIDENTIAL ? 3 : 0;
            return true;
        }
        case ICAL_PRIORITY_PROPERTY:
            entry.priority = PriorityOfIcal(icalproperty_get_priority(property));
            return true;
        case ICAL_CONTACT_PROPERTY: {
            VjournalContact contact { Text(icalproperty_get_contact(property)), {} };
            for (icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_X_PARAMETER); parameter;
                 parameter = icalproperty_get_next_parameter(property, ICAL_X_PARAMETER)) {
                const char* name = icalparameter_get_xname(parameter);
                const char* value = icalparameter_get_xvalue(parameter);
                if (name && value && std::string_view(name) == kContactUidParam)
                    contact.uid = value;
            }
            if (!contact.name.empty())
                entry.contacts.push_back(std::move(contact));
            return true;
        }
        case ICAL_ATTACH_PROPERTY: {
            icalattach* attach = icalproperty_get_attach(property);
            if (attach && icalattach_get_is_url(attach) && icalattach_get_url(attach) && entry.attachment.empty()) {
                entry.attachment = PathOfUri(icalattach_get_url(attach));
                return true;
            }
            break;
        }
        case ICAL_X_PROPERTY:
            if (ReadX(property, entry, blob, hasBlob, exactDate))
                return true;
            break;
        default:
            break;
        }
        // libical can mangle the bytes of a value it does not know; such a
        // property is left out rather than written back broken.
        if (std::string text = PropertyText(property); ValidUtf8(text))
            entry.keptProperties.push_back(std::move(text));
        return true;
    }

    // The X-KESTRIN- properties; false for any other X- property.
    static bool ReadX(
        icalproperty* property, VjournalEntry& entry, std::vector<BYTE>& blob, bool& hasBlob, ULONGLONG& exactDate)
    {
        const char* name = icalproperty_get_x_name(property);
        const char* raw = icalproperty_get_x(property);
        if (!name || !raw)
            return false;
        const std::string_view key(name);
        const std::string value(raw);
        if (key == kTypeProp) {
            entry.type = TableIndex(Text(raw), TypeText, TYPE_COUNT, entry.type);
        } else if (key == kSensitivityProp) {
            entry.sensitivity = TableIndex(Text(raw), SensitivityText, SENSITIVITY_COUNT, entry.sensitivity);
        } else if (key == kCompanyProp) {
            entry.company = Text(raw);
        } else if (key == kDurationProp) {
            char* end = nullptr;
            const unsigned long long ticks = std::strtoull(value.c_str(), &end, 10);
            entry.hasDuration = end && *end == '\0' && !value.empty();
            entry.duration = entry.hasDuration ? ticks : 0;
        } else if (key == kNoteProp) {
            hasBlob = Base64Decode(value, blob);
        } else if (key == kDateTicksProp) {
            exactDate = std::strtoull(value.c_str(), nullptr, 10);
        } else {
            return false;
        }
        return true;
    }

    icalcomponent* component_;
    icalcomponent_kind kind_;
};

std::string Describe(icalcomponent* component, const std::string& problem)
{
    const char* uid = icalcomponent_get_uid(component);
    return std::string(icalcomponent_kind_to_string(icalcomponent_isa(component))) + " "
        + (uid && *uid ? std::string(uid) : std::string("(no UID)")) + ": " + problem;
}

} // namespace

void EntryFromValues(
    const std::function<CEPROPVAL(CEPROPID)>& value, VjournalEntry& entry, const ContactUidOf& contactUid)
{
    auto text = [&](CEPROPID id) {
        const CEPROPVAL field = value(id);
        return field.val.lpwstr ? std::u16string(field.val.lpwstr) : std::u16string();
    };
    auto ticks = [&](CEPROPID id) { return ZTime(value(id).val.filetime).Ticks(); };
    entry.subject = text(PROPID_SUBJECT);
    entry.date = ticks(PROPID_DATE);
    entry.type = value(PROPID_TYPE).val.iVal;
    entry.company = text(PROPID_COMPANY);
    entry.categories.clear();
    AnyCategory(value(PROPID_CATEGORIES).val.blob, [&](CEOID, LPCWSTR name) {
        if (name)
            entry.categories.push_back(name);
        return false;
    });
    std::vector<VjournalContact> kept = std::move(entry.contacts);
    entry.contacts.clear();
    AnyContact(value(PROPID_CONTACTS).val.blob, [&](CEOID oid, LPCWSTR name) {
        if (!name)
            return false;
        VjournalContact out { name, contactUid && oid != 0 ? contactUid(oid) : std::string() };
        // The address book's UID read from the file before stays with its name.
        for (const VjournalContact& old : kept)
            if (out.uid.empty() && old.name == out.name)
                out.uid = old.uid;
        entry.contacts.push_back(std::move(out));
        return false;
    });
    entry.attachment = Replace(text(PROPID_ATTACHMENT), u"&&", u"&");
    const ULONGLONG duration = ticks(PROPID_DURATION);
    entry.hasDuration = duration != 0 && duration != 0xFFFFFFFFFFFFFFFFull;
    entry.duration = entry.hasDuration ? duration : 0;
    entry.sensitivity = value(PROPID_SENSITIVITY).val.iVal;
    entry.priority = value(PROPID_PRIORITY).val.iVal;
    const CEBLOB note = value(PROPID_NOTE).val.blob;
    entry.note.assign(note.lpb, note.lpb + note.dwCount);
}

void EntryFromSet(const ZJITEMS& set, VjournalEntry& entry, const ContactUidOf& contactUid)
{
    EntryFromValues(
        [&](CEPROPID id) {
            CEPROPVAL out = EmptyProp(id);
            set.GetItem(id)->GetProp(&out);
            return out;
        },
        entry, contactUid);
}

void EntryToSet(const VjournalEntry& entry, ZJITEMS& set, const ContactIdOf& contactId)
{
    set.GetItem(PROPID_SUBJECT)->SetStrValue(entry.subject.c_str());
    ZTime date(entry.date);
    if (entry.date == 0)
        date.SetNow();
    set.GetItem(PROPID_DATE)->SetFileTime(date.ToFileTime());
    set.GetItem(PROPID_TYPE)->SetShort(entry.type);
    if (!entry.company.empty())
        set.GetItem(PROPID_COMPANY)->SetStrValue(entry.company.c_str());
    PackedListWriter categories;
    for (const std::u16string& name : entry.categories)
        categories.AddCategory(0, name.c_str());
    categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
    PackedListWriter contacts;
    for (const VjournalContact& contact : entry.contacts)
        contacts.AddContact(
            contactId && !contact.uid.empty() ? contactId(contact.uid) : 0, contact.name.c_str(), u"");
    contacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
    if (!entry.attachment.empty())
        set.GetItem(PROPID_ATTACHMENT)->SetStrValue(Replace(entry.attachment, u"&", u"&&").c_str());
    if (entry.hasDuration)
        set.GetItem(PROPID_DURATION)->SetFileTime(ZTime(entry.duration).ToFileTime());
    set.GetItem(PROPID_SENSITIVITY)->SetShort(entry.sensitivity);
    set.GetItem(PROPID_PRIORITY)->SetShort(entry.priority);
    CEBLOB note { static_cast<DWORD>(entry.note.size()), const_cast<BYTE*>(entry.note.data()) };
    set.GetItem(PROPID_NOTE)->SetBlob(&note);
}

std::string WriteVcalendar(const std::vector<const VjournalEntry*>& entries, long long stamp)
{
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Kestrin//Journal//EN"));
    for (const VjournalEntry* entry : entries)
        AddComponent(calendar.get(), *entry, stamp);
    char* text = icalcomponent_as_ical_string_r(calendar.get());
    std::string out = text ? text : "";
    std::free(text);
    ReplaceAll(out, kCommaStandIn, "\\,");
    ReplaceAll(out, kSemicolonStandIn, "\\;");
    return out;
}

VcalendarRead ReadVcalendar(std::string_view bytes, bool eventsAndTasks)
{
    VcalendarRead result;
    if (bytes.size() > kMaxFileBytes) {
        result.problems.push_back("the file is larger than 64 MiB");
        return result;
    }
    if (bytes.find('\0') != std::string_view::npos || !ValidUtf8(bytes)) {
        result.problems.push_back("the file is not UTF-8 text");
        return result;
    }
    // A damaged file must not end the program.
    icalerror_set_errors_are_fatal(0);
    const std::string text(bytes);
    Component root(icalparser_parse_string(text.c_str()));
    icalerror_clear_errno();
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        result.problems.push_back("no calendar in the file");
        return result;
    }
    std::vector<icalcomponent_kind> kinds { ICAL_VJOURNAL_COMPONENT };
    if (eventsAndTasks)
        kinds.insert(kinds.end(), { ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT });
    for (const icalcomponent_kind kind : kinds) {
        for (icalcomponent* child = icalcomponent_get_first_component(root.get(), kind); child;
             child = icalcomponent_get_next_component(root.get(), kind)) {
            VjournalEntry entry;
            std::string problem;
            if (ComponentReader(child, kind).Read(entry, problem))
                result.entries.push_back(std::move(entry));
            else
                result.problems.push_back(Describe(child, problem));
        }
    }
    return result;
}

std::string NewVjournalUid()
{
    static thread_local std::mt19937_64 random { std::random_device {}() };
    const unsigned long long a = random(), b = random();
    char text[40];
    std::snprintf(text, sizeof text, "%016llx-%016llx", a, b);
    return std::string(text) + "@kestrin";
}
