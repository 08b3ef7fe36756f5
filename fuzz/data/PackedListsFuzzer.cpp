// Arbitrary bytes as an entry's Contacts, Categories and OID-set blobs: these
// arrive in backups and beamed messages. Whatever the readers accept must
// write back to bytes that read the same again: the same names, texts and
// OIDs in the same order, not only as many.

#include "LocalHeap.h"
#include "PackedLists.h"
#include "ZOidsProp.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

CEBLOB BlobOf(const uint8_t* data, size_t size)
{
    return CEBLOB { static_cast<DWORD>(size), const_cast<BYTE*>(data) };
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Two texts the same, an empty text and a null one alike.
bool SameText(const ZString& a, const ZString& b)
{
    if (a.IsEmpty() || b.IsEmpty())
        return a.IsEmpty() && b.IsEmpty();
    return std::u16string_view(a.Text()) == std::u16string_view(b.Text());
}

void CheckContactsRoundTrip(const CEBLOB& blob)
{
    std::vector<DbAItem> contacts;
    UnpackContacts(blob, contacts);
    PackedListWriter writer;
    for (const DbAItem& contact : contacts)
        writer.AddContact(contact);
    std::vector<BYTE> packed = writer.Bytes();
    std::vector<DbAItem> again;
    Require(UnpackContacts(BlobOf(packed.data(), packed.size()), again));
    Require(again.size() == contacts.size());
    for (std::size_t i = 0; i < contacts.size(); ++i)
        Require(again[i].GetOid() == contacts[i].GetOid()
            && SameText(again[i].GetName(), contacts[i].GetName())
            && SameText(again[i].GetSecondText(), contacts[i].GetSecondText()));
}

void CheckCategoriesRoundTrip(const CEBLOB& blob)
{
    std::vector<DbCItem> categories;
    UnpackCategories(blob, categories);
    PackedListWriter writer;
    for (const DbCItem& category : categories)
        writer.AddCategory(category);
    std::vector<BYTE> packed = writer.Bytes();
    std::vector<DbCItem> again;
    Require(UnpackCategories(BlobOf(packed.data(), packed.size()), again));
    Require(again.size() == categories.size());
    for (std::size_t i = 0; i < categories.size(); ++i)
        Require(again[i].GetOid() == categories[i].GetOid()
            && SameText(again[i].GetName(), categories[i].GetName()));
    AnyCategory(blob, [](CEOID, LPCWSTR) { return false; });
    AnyContact(blob, [](CEOID, LPCWSTR) { return false; });
}

void CheckOidSet(const CEBLOB& blob)
{
    ZOidsProp oids;
    oids.Copy(blob);
    CEBLOB written {};
    if (oids.GetBlob(&written)) {
        ZOidsProp again;
        again.Copy(written);
        Require(again.Count() == oids.Count());
        Require(std::equal(oids.begin(), oids.end(), again.begin()));
        LocalFree(written.lpb);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CEBLOB blob = BlobOf(data, size);
    CheckContactsRoundTrip(blob);
    CheckCategoriesRoundTrip(blob);
    CheckOidSet(blob);
    return 0;
}
