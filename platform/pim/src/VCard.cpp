#include "VCard.h"

#include "CodePage.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <optional>

namespace {

// ---- Reading ---------------------------------------------------------------

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

// The physical lines of the file, whatever their ends (CRLF, LF or CR).
std::vector<std::string_view> PhysicalLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

// Position of the first `what` outside double quotes, or npos.
std::size_t FindUnquoted(std::string_view text, char what)
{
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == what && !quoted)
            return i;
    }
    return std::string_view::npos;
}

// Splits at every `separator` outside double quotes.
std::vector<std::string_view> SplitUnquoted(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = FindUnquoted(text, separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool IsQuotedPrintableLine(std::string_view line)
{
    const std::size_t colon = FindUnquoted(line, ':');
    if (colon == std::string_view::npos)
        return false;
    return Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Logical lines: a line that begins with a space or tab continues the one
// before it; a quoted-printable value ending in "=" continues on the next
// line whatever that begins with.
std::vector<std::string> UnfoldLines(std::string_view bytes)
{
    const std::vector<std::string_view> physical = PhysicalLines(bytes);
    std::vector<std::string> logical;
    for (std::size_t i = 0; i < physical.size(); ++i) {
        std::string line(physical[i]);
        while (i + 1 < physical.size()) {
            const std::string_view next = physical[i + 1];
            if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
                line.append(next.substr(1));
            } else if (!line.empty() && line.back() == '=' && IsQuotedPrintableLine(line)) {
                line.pop_back();
                line.append(next);
            } else {
                break;
            }
            ++i;
        }
        if (!line.empty())
            logical.push_back(std::move(line));
    }
    return logical;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0
            && HexDigit(value[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

struct ContentLine {
    std::string name; // upper case, group removed
    std::vector<std::string> types; // upper case, TYPE values and bare 2.1 parameters
    std::string charset; // upper case
    bool quotedPrintable = false;
    bool binary = false; // base64 or any other encoding we do not decode
    std::string value; // raw, quoted-printable already decoded
};

void AddTypes(std::vector<std::string>& types, std::string_view values)
{
    for (std::string_view value : SplitUnquoted(values, ',')) {
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (!value.empty())
            types.push_back(Upper(value));
    }
}

void ReadParameter(ContentLine& line, std::string_view parameter)
{
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        // vCard 2.1 allows a parameter's value alone.
        const std::string bare = Upper(parameter);
        if (bare == "QUOTED-PRINTABLE")
            line.quotedPrintable = true;
        else if (bare == "BASE64" || bare == "B")
            line.binary = true;
        else if (bare != "8BIT" && bare != "7BIT")
            line.types.push_back(bare);
        return;
    }
    const std::string key = Upper(parameter.substr(0, equals));
    std::string_view value = parameter.substr(equals + 1);
    if (key == "TYPE") {
        AddTypes(line.types, value);
    } else if (key == "ENCODING") {
        const std::string encoding = Upper(value);
        if (encoding == "QUOTED-PRINTABLE")
            line.quotedPrintable = true;
        else if (encoding != "8BIT" && encoding != "7BIT")
            line.binary = true;
    } else if (key == "CHARSET") {
        line.charset = Upper(value);
    }
}

// Nothing for a line without a name or a colon.
bool ParseContentLine(std::string_view text, ContentLine& line)
{
    const std::size_t colon = FindUnquoted(text, ':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::vector<std::string_view> head = SplitUnquoted(text.substr(0, colon), ';');
    std::string_view name = head.front();
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    if (name.empty())
        return false;
    line.name = Upper(name);
    for (std::size_t i = 1; i < head.size(); ++i)
        ReadParameter(line, head[i]);
    const std::string_view raw = text.substr(colon + 1);
    line.value = line.quotedPrintable ? DecodeQuotedPrintable(raw) : std::string(raw);
    return true;
}

std::u16string DecodeText(std::string_view bytes, const std::string& charset)
{
    if (charset == "ISO-8859-1" || charset == "WINDOWS-1252" || charset == "CP1252" || charset == "LATIN1")
        return DecodeWindows1252(bytes);
    // UTF-8 by default (and when named); bytes that are not UTF-8 are read
    // as Windows-1252, what older phones wrote without saying so.
    return DecodeSystemCodePage(bytes);
}

// Splits a structured value at unescaped semicolons.
std::vector<std::string_view> SplitComponents(std::string_view value)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (value[i] == ';') {
            parts.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(value.substr(start));
    return parts;
}

std::string Unescape(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        out += (next == 'n' || next == 'N') ? '\n' : next;
    }
    return out;
}

std::u16string TextValue(const ContentLine& line, std::string_view raw)
{
    return DecodeText(Unescape(raw), line.charset);
}

std::vector<std::u16string> Components(const ContentLine& line, std::size_t count)
{
    std::vector<std::u16string> parts;
    for (std::string_view part : SplitComponents(line.value))
        parts.push_back(TextValue(line, part));
    parts.resize(std::max(parts.size(), count));
    return parts;
}

std::u16string FieldLabel(const std::vector<std::string>& types)
{
    std::u16string label;
    for (const std::string& type : types) {
        // Kinds that say nothing to the reader of a card.
        if (type == "INTERNET" || type == "PREF" || type.rfind("X-", 0) == 0)
            continue;
        if (!label.empty())
            label += u',';
        label += DecodeSystemCodePage(type);
    }
    return label;
}

std::u16string JoinNonEmpty(std::initializer_list<const std::u16string*> parts, std::u16string_view separator)
{
    std::u16string out;
    for (const std::u16string* part : parts) {
        if (part->empty())
            continue;
        if (!out.empty())
            out += separator;
        out += *part;
    }
    return out;
}

std::u16string AddressText(const std::vector<std::u16string>& parts)
{
    // post office box; extended; street; locality; region; postal code; country
    const std::u16string street = JoinNonEmpty({ &parts[0], &parts[1], &parts[2] }, u", ");
    const std::u16string city = JoinNonEmpty({ &parts[3], &parts[4], &parts[5] }, u" ");
    return JoinNonEmpty({ &street, &city, &parts[6] }, u"\n");
}

std::u16string StripUriScheme(std::u16string value, std::u16string_view scheme)
{
    if (value.size() > scheme.size()) {
        bool matches = true;
        for (std::size_t i = 0; i < scheme.size() && matches; ++i)
            matches = std::towlower(value[i]) == scheme[i];
        if (matches)
            value.erase(0, scheme.size());
    }
    return value;
}

// Collects one card's properties.
class CardBuilder {
public:
    void Add(const ContentLine& line)
    {
        if (line.binary)
            return;
        const std::string& name = line.name;
        if (name == "FN") {
            contact_.formattedName = TextValue(line, line.value);
        } else if (name == "N") {
            const auto parts = Components(line, 5);
            contact_.family = parts[0];
            contact_.given = parts[1];
            contact_.additional = parts[2];
            contact_.prefix = parts[3];
            contact_.suffix = parts[4];
        } else if (name == "ORG") {
            const auto parts = Components(line, 2);
            contact_.company = parts[0];
            contact_.department = parts[1];
        } else if (name == "TITLE") {
            contact_.title = TextValue(line, line.value);
        } else if (name == "UID") {
            contact_.uid = TextValue(line, line.value);
        } else if (name == "X-FILE-AS") {
            fileAs_ = TextValue(line, line.value);
        } else if (name == "NOTE") {
            contact_.note = TextValue(line, line.value);
        } else if (name == "TEL") {
            AddField(contact_.phones, line, StripUriScheme(TextValue(line, line.value), u"tel:"));
        } else if (name == "EMAIL") {
            AddField(contact_.emails, line, StripUriScheme(TextValue(line, line.value), u"mailto:"));
        } else if (name == "ADR") {
            AddField(contact_.addresses, line, AddressText(Components(line, 7)));
        }
    }

    PimContact Finish()
    {
        if (contact_.formattedName.empty()) {
            contact_.formattedName = JoinNonEmpty({ &contact_.prefix, &contact_.given, &contact_.additional,
                                                      &contact_.family, &contact_.suffix },
                u" ");
        }
        if (contact_.formattedName.empty())
            contact_.formattedName = contact_.company;
        if (contact_.formattedName.empty() && !contact_.emails.empty())
            contact_.formattedName = contact_.emails.front().value;
        contact_.fileAs = FileAsName(fileAs_, contact_.family, contact_.given, contact_.formattedName);
        return std::move(contact_);
    }

private:
    static void AddField(
        std::vector<PimContact::Field>& fields, const ContentLine& line, std::u16string value)
    {
        if (!value.empty())
            fields.push_back({ FieldLabel(line.types), std::move(value) });
    }

    PimContact contact_;
    std::u16string fileAs_;
};

// ---- Writing ---------------------------------------------------------------

std::string Escape(std::u16string_view text)
{
    std::string out;
    for (const char c : EncodeSystemCodePage(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Appends the content line folded at 75 bytes, never inside a UTF-8 sequence.
void AppendFolded(std::string& out, std::string_view line)
{
    constexpr std::size_t kLimit = 75;
    bool first = true;
    while (!line.empty()) {
        const std::size_t room = first ? kLimit : kLimit - 1;
        std::size_t take = std::min(room, line.size());
        while (take < line.size() && take > 0 && (static_cast<unsigned char>(line[take]) & 0xC0) == 0x80)
            --take;
        if (!first)
            out += ' ';
        out.append(line.substr(0, take));
        out += "\r\n";
        line.remove_prefix(take);
        first = false;
    }
}

void AppendProperty(std::string& out, std::string_view name, const std::string& value)
{
    AppendFolded(out, std::string(name) + ":" + value);
}

// The kinds of a field as a TYPE parameter. Only letters, digits, '-' and
// ',' are kept: a kind read from a quoted parameter may hold ':' or ';',
// which would end the parameter list early.
std::string TypeParameter(const std::u16string& label)
{
    std::string kinds;
    for (const char16_t c : label) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u',')
            kinds += static_cast<char>(c);
    }
    return kinds.empty() ? std::string() : ";TYPE=" + kinds;
}

} // namespace

std::u16string FileAsName(const std::u16string& fileAsProperty, const std::u16string& family,
    const std::u16string& given, const std::u16string& formatted)
{
    if (!fileAsProperty.empty())
        return fileAsProperty;
    if (!family.empty() || !given.empty())
        return JoinNonEmpty({ &family, &given }, u", ");
    return formatted;
}

VCardReadResult ReadVCards(std::string_view bytes)
{
    VCardReadResult result;
    std::optional<CardBuilder> card;
    int nested = 0; // cards inside a card (2.1 AGENT) are skipped
    for (const std::string& text : UnfoldLines(bytes)) {
        ContentLine line;
        if (!ParseContentLine(text, line))
            continue;
        const bool isVCard = EqualsNoCase(line.value, "VCARD");
        if (line.name == "BEGIN" && isVCard) {
            if (card)
                ++nested;
            else
                card.emplace();
        } else if (line.name == "END" && isVCard) {
            if (nested > 0) {
                --nested;
            } else if (card) {
                result.contacts.push_back(card->Finish());
                card.reset();
            }
        } else if (card && nested == 0) {
            card->Add(line);
        }
    }
    if (card)
        result.error = "a card is not closed by END:VCARD";
    else if (result.contacts.empty())
        result.error = "no vCard in the file";
    return result;
}

std::string WriteVCard30(const PimContact& contact)
{
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    AppendProperty(out, "UID", Escape(contact.uid));
    AppendProperty(out, "FN", Escape(contact.formattedName));
    AppendProperty(out, "N",
        Escape(contact.family) + ";" + Escape(contact.given) + ";" + Escape(contact.additional) + ";"
            + Escape(contact.prefix) + ";" + Escape(contact.suffix));
    if (!contact.company.empty() || !contact.department.empty()) {
        std::string org = Escape(contact.company);
        if (!contact.department.empty())
            org += ";" + Escape(contact.department);
        AppendProperty(out, "ORG", org);
    }
    if (!contact.title.empty())
        AppendProperty(out, "TITLE", Escape(contact.title));
    if (contact.fileAs != FileAsName({}, contact.family, contact.given, contact.formattedName))
        AppendProperty(out, "X-FILE-AS", Escape(contact.fileAs));
    for (const PimContact::Field& phone : contact.phones)
        AppendProperty(out, "TEL" + TypeParameter(phone.label), Escape(phone.value));
    for (const PimContact::Field& email : contact.emails)
        AppendProperty(out, "EMAIL" + TypeParameter(email.label), Escape(email.value));
    for (const PimContact::Field& address : contact.addresses)
        AppendProperty(out, "ADR" + TypeParameter(address.label), ";;" + Escape(address.value) + ";;;;");
    if (!contact.note.empty())
        AppendProperty(out, "NOTE", Escape(contact.note));
    out += "END:VCARD\r\n";
    return out;
}
