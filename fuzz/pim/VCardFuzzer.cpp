// Arbitrary bytes as a .vcf file of the address book (synchronised folders
// hold whatever other programs wrote). Every card the reader accepts must
// write out as a card that reads back with the same names, company, phones,
// e-mail addresses, postal addresses and note.

#include "VCard.h"

#include <algorithm>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// vCard 3.0 has no way to write a carriage return; the writer drops it.
std::u16string WithoutCr(std::u16string text)
{
    text.erase(std::remove(text.begin(), text.end(), u'\r'), text.end());
    return text;
}

void RequireSameValues(const std::vector<PimContact::Field>& a, const std::vector<PimContact::Field>& b)
{
    Require(a.size() == b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        Require(WithoutCr(a[i].value) == WithoutCr(b[i].value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const VCardReadResult read = ReadVCards(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const PimContact& card : read.contacts) {
        const VCardReadResult again = ReadVCards(WriteVCard30(card));
        Require(again.contacts.size() == 1 && again.error.empty());
        const PimContact& back = again.contacts.front();
        Require(WithoutCr(back.uid) == WithoutCr(card.uid));
        Require(WithoutCr(back.family) == WithoutCr(card.family));
        Require(WithoutCr(back.given) == WithoutCr(card.given));
        Require(WithoutCr(back.company) == WithoutCr(card.company));
        Require(WithoutCr(back.note) == WithoutCr(card.note));
        Require(WithoutCr(back.formattedName) == WithoutCr(card.formattedName));
        Require(WithoutCr(back.fileAs) == WithoutCr(card.fileAs));
        RequireSameValues(back.addresses, card.addresses);
        RequireSameValues(back.phones, card.phones);
        RequireSameValues(back.emails, card.emails);
    }
    return 0;
}
