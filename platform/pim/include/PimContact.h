#pragma once
// PimContact: one contact of the address book as read from its vCard: the
// names, company, phones, e-mail addresses, postal addresses and note, the
// card's UID and file, and the 32-bit object id the store gave its UID.
// PimNewContact: what adding a contact to the address book writes. Plain
// values; any thread.

#include "WinTypes.h"

#include <filesystem>
#include <string>
#include <vector>

struct PimContact {
    // A phone number, e-mail or postal address with its kind as the card
    // gives it ("WORK,VOICE", "HOME"; empty when the card names none).
    struct Field {
        std::u16string label;
        std::u16string value;
        bool operator==(const Field&) const = default;
    };

    DWORD oid = 0;
    std::u16string uid;
    // X-FILE-AS, else "Last, First" from N, else FN.
    std::u16string fileAs;
    // FN; built from N when the card lacks it.
    std::u16string formattedName;
    // N: family; given; additional; prefixes; suffixes.
    std::u16string family;
    std::u16string given;
    std::u16string additional;
    std::u16string prefix;
    std::u16string suffix;
    // ORG: the organisation and its first unit.
    std::u16string company;
    std::u16string department;
    std::u16string title;
    std::u16string note;
    std::vector<Field> phones;
    std::vector<Field> emails;
    std::vector<Field> addresses;
    // The card's file; several cards may share one file.
    std::filesystem::path file;
};

struct PimNewContact {
    std::u16string fileAs;
    std::u16string firstName;
    std::u16string lastName;
    std::u16string company;
};
