#pragma once
// The vCard reader and writer of the address book. The reader takes cards of
// versions 2.1, 3.0 and 4.0 as address-book programs and phones write them:
// folded lines, CRLF or LF line ends, QUOTED-PRINTABLE values with soft line
// breaks and CHARSET parameters (2.1), bare 2.1 type parameters ("TEL;WORK:"),
// escaped commas, semicolons and newlines, groups ("item1.EMAIL"), several
// cards in one file. Text that is not UTF-8 (and names no charset) is read as
// Windows-1252. Unknown properties are skipped; binary ones (PHOTO, LOGO,
// SOUND, KEY) are never decoded.
//
// The writer writes vCard 3.0 with CRLF line ends, escaped values and lines
// folded at 75 bytes (never inside a UTF-8 sequence).
//
// Pure functions over bytes; any thread. Malformed input never crashes: a
// card without BEGIN/END is not a card, a broken line is skipped.

#include "PimContact.h"

#include <string>
#include <string_view>
#include <vector>

struct VCardReadResult {
    std::vector<PimContact> contacts;
    // What was wrong with the file, empty when every card was read. Cards
    // read before a fault are kept.
    std::string error;
};

// Reads every card of `bytes`. The cards have no oid and no file; a card
// without UID has an empty uid (the caller chooses a stand-in).
VCardReadResult ReadVCards(std::string_view bytes);

// A vCard 3.0 of the contact: UID, FN, N, ORG (with its unit), TITLE,
// X-FILE-AS when the file-as name is not the one N would give, TEL, EMAIL,
// ADR and NOTE.
std::string WriteVCard30(const PimContact& contact);

// The file-as name a card gives: `fileAsProperty` when not empty, else
// "family, given" (either alone when the other is empty), else `formatted`.
std::u16string FileAsName(const std::u16string& fileAsProperty, const std::u16string& family,
    const std::u16string& given, const std::u16string& formatted);
