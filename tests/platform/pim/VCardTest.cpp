// The vCard reader on cards as address-book programs and phones write them,
// and the writer's cards read back unchanged.
#include "VCard.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string Sample(const std::string& name)
{
    std::ifstream file(std::string(KST_CONTACT_SAMPLES) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

PimContact Only(const VCardReadResult& result)
{
    EXPECT_EQ(result.contacts.size(), 1u);
    EXPECT_EQ(result.error, "");
    return result.contacts.empty() ? PimContact {} : result.contacts.front();
}

} // namespace

TEST(VCardTest, ReadsFoldedVersion30CardsTwoToAFile)
{
    const VCardReadResult result = ReadVCards(Sample("two-cards-30.vcf"));
    ASSERT_EQ(result.contacts.size(), 2u);
    EXPECT_EQ(result.error, "");
    const PimContact& first = result.contacts[0];
    EXPECT_EQ(first.formattedName, u"Frances Dalton");
    EXPECT_EQ(first.fileAs, u"Frances Dalton"); // no N: the formatted name
    EXPECT_EQ(first.company, u"Harbour Lights Trading");
    ASSERT_EQ(first.addresses.size(), 1u);
    EXPECT_EQ(first.addresses[0].value, u"6544 Battleford Drive\nRaleigh NC 27613-3502\nU.S.A.");
    EXPECT_EQ(first.addresses[0].label, u"WORK,POSTAL,PARCEL");
    ASSERT_EQ(first.phones.size(), 2u);
    EXPECT_EQ(first.phones[1].value, u"+1-919-555-9564");
    ASSERT_EQ(first.emails.size(), 2u);
    EXPECT_EQ(first.emails[0].label, u""); // INTERNET and PREF say nothing
    EXPECT_EQ(
        result.contacts[1].addresses[0].value, u"501 E. Middlefield Rd.\nMountain View CA  94043\nU.S.A.");
}

TEST(VCardTest, ReadsVersion21QuotedPrintableCharsetsAndBareTypes)
{
    const PimContact card = Only(ReadVCards(Sample("quoted-printable-21.vcf")));
    EXPECT_EQ(card.family, u"M\u00fcller"); // ISO-8859-1 bytes
    EXPECT_EQ(card.given, u"J\u00fcrgen");
    EXPECT_EQ(card.formattedName, u"J\u00fcrgen M\u00fcller"); // UTF-8 over a soft line break
    EXPECT_EQ(card.fileAs, u"Mueller, Juergen"); // X-FILE-AS wins
    EXPECT_EQ(card.company, u"Brauerei Hopfen");
    EXPECT_EQ(card.department, u"Vertrieb");
    ASSERT_EQ(card.phones.size(), 2u);
    EXPECT_EQ(card.phones[0].label, u"WORK,VOICE");
    EXPECT_EQ(card.phones[1].label, u"CELL");
    ASSERT_EQ(card.addresses.size(), 1u);
    // No charset and not UTF-8: Windows-1252.
    EXPECT_EQ(card.addresses[0].value, u"Lange Stra\u00dfe 12\r\nHinterhaus\nBerlin 10115\nDeutschland");
    EXPECT_EQ(card.note, u"Erste Zeile\r\nZweite Zeile");
    ASSERT_EQ(card.emails.size(), 1u);
    EXPECT_EQ(card.emails[0].value, u"juergen@example.org");
}

TEST(VCardTest, ReadsVersion40EscapesGroupsAndUris)
{
    const PimContact card = Only(ReadVCards(Sample("lima-40.vcf")));
    EXPECT_EQ(card.uid, u"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1");
    EXPECT_EQ(card.fileAs, u"Lima, Ana");
    EXPECT_EQ(card.prefix, u"Dr.");
    EXPECT_EQ(card.title, u"Research Lead");
    ASSERT_EQ(card.phones.size(), 1u);
    EXPECT_EQ(card.phones[0].value, u"+1-418-555-9254;ext=102");
    EXPECT_EQ(card.phones[0].label, u"VOICE,WORK");
    ASSERT_EQ(card.emails.size(), 1u); // "item1." is a group, not the name
    EXPECT_EQ(card.note, u"Line one\nLine two, with a comma; and a semicolon");
}

TEST(VCardTest, BuildsMissingNamesAndReadsStrayBytesAsWindows1252)
{
    const VCardReadResult result = ReadVCards(Sample("no-uid-mixed.vcf"));
    ASSERT_EQ(result.contacts.size(), 2u);
    EXPECT_EQ(result.contacts[0].formattedName, u"Chidi Okafor"); // FN built from N
    EXPECT_EQ(result.contacts[0].fileAs, u"Okafor, Chidi");
    EXPECT_EQ(result.contacts[0].company, u"Caf\u00e9 Soleil");
    EXPECT_EQ(result.contacts[0].uid, u"");
    EXPECT_EQ(result.contacts[1].fileAs, u"Reception Desk");

    // Only a family or only a given name stands alone.
    EXPECT_EQ(FileAsName(u"", u"Smith", u"", u"Mr Smith"), u"Smith");
    EXPECT_EQ(FileAsName(u"", u"", u"Ann", u"Ann"), u"Ann");
}

TEST(VCardTest, DamagedInputKeepsWhatWasWholeAndSaysWhy)
{
    EXPECT_TRUE(ReadVCards(Sample("truncated.vcf")).contacts.empty());
    EXPECT_NE(ReadVCards(Sample("truncated.vcf")).error, "");
    EXPECT_NE(ReadVCards(Sample("not-a-card.vcf")).error, "");
    EXPECT_NE(ReadVCards("").error, "");

    // A whole card before a broken one is kept; a nested card is skipped.
    const VCardReadResult mixed = ReadVCards("BEGIN:VCARD\nFN:Kept\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\n"
                                             "TEL:1\nEND:VCARD\nBEGIN:VCARD\nFN:Lost\n:no name\n;;;\n");
    ASSERT_EQ(mixed.contacts.size(), 1u);
    EXPECT_EQ(mixed.contacts[0].formattedName, u"Kept");
    EXPECT_EQ(mixed.contacts[0].phones.size(), 1u);
    EXPECT_NE(mixed.error, "");
    // A quoted-printable value cut in the middle of an escape stays as it is.
    const VCardReadResult cut = ReadVCards("BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:A=4\nEND:VCARD\n");
    ASSERT_EQ(cut.contacts.size(), 1u);
    EXPECT_EQ(cut.contacts[0].formattedName, u"A=4");
}

TEST(VCardTest, WrittenCardsReadBackWithEscapesAndLongLinesFolded)
{
    PimContact card;
    card.uid = u"6f1c0b52-2d7e-4a59-9b43-0f4b8e3c1a77";
    card.formattedName = u"Zo\u00eb O'Brien; Jr.";
    card.family = u"O'Brien, \"Zed\"";
    card.given = u"Zo\u00eb";
    card.fileAs = u"Zo\u00eb's card";
    card.company = u"Back\\slash, Semi; Colon";
    card.department = u"R&D";
    card.note = u"two\nlines " + std::u16string(100, u'\u00e9'); // forces folding inside UTF-8
    card.phones.push_back({ u"WORK", u"+44 20 5550 0000" });
    card.emails.push_back({ u"", u"zoe@example.com" });

    const std::string written = WriteVCard30(card);
    EXPECT_NE(written.find("VERSION:3.0\r\n"), std::string::npos);
    std::istringstream lines(written);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 76u) << line; // 75 and the CR

    const PimContact back = Only(ReadVCards(written));
    EXPECT_EQ(back.uid, card.uid);
    EXPECT_EQ(back.formattedName, card.formattedName);
    EXPECT_EQ(back.family, card.family);
    EXPECT_EQ(back.given, card.given);
    EXPECT_EQ(back.fileAs, card.fileAs);
    EXPECT_EQ(back.company, card.company);
    EXPECT_EQ(back.department, card.department);
    EXPECT_EQ(back.note, card.note);
    EXPECT_EQ(back.phones, card.phones);
    EXPECT_EQ(back.emails, card.emails);
}
