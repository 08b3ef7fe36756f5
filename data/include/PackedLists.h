#pragma once
// The packed contact and category lists held in an entry's Contacts and
// Categories blobs. These bytes travel in backups and beamed messages, so the
// layout is fixed: elements follow each other until the blob ends, integers
// little-endian, a text is a 32-bit byte count followed by that many bytes of
// UTF-16LE without terminator (a count of 0 or 1 reads as an empty text).
//   contact:  OID (32-bit), name (text), second text (text)
//   category: OID (32-bit), name (text)
// An entry without contacts or categories holds a blob of length 0.
//
// Readers never trust the bytes: an element that runs past the end of the
// blob ends the list and is reported as damage. Plain functions and value
// types; any thread.

#include "DbAItem.h"
#include "DbCItem.h"

#include <functional>
#include <vector>

// Reads the contacts of a Contacts blob into `out` (appended). Returns false
// when the blob is damaged; `out` then holds the elements before the damage.
bool UnpackContacts(const CEBLOB& blob, std::vector<DbAItem>& out);
// Reads the categories of a Categories blob into `out` (appended), each item
// with property id PROPID_CATNAME. Damage as in UnpackContacts.
bool UnpackCategories(const CEBLOB& blob, std::vector<DbCItem>& out);

// Calls visit(oid, name) for every category of a Categories blob, in order,
// until visit returns true. Returns true when visit stopped the walk. Reads
// without building items (the filter tests every entry this way); a damaged
// tail ends the walk.
bool AnyCategory(const CEBLOB& blob, const std::function<bool(CEOID, LPCWSTR)>& visit);

// The same over the contacts of a Contacts blob: visit(oid, name).
bool AnyContact(const CEBLOB& blob, const std::function<bool(CEOID, LPCWSTR)>& visit);

// Builds a packed list element by element.
class PackedListWriter {
public:
    void AddContact(CEOID oid, LPCWSTR name, LPCWSTR secondText);
    void AddContact(const DbAItem& item) { AddContact(item.GetOid(), item.GetName(), item.GetSecondText()); }
    void AddCategory(CEOID oid, LPCWSTR name);
    void AddCategory(const DbCItem& item) { AddCategory(item.GetOid(), item.GetName()); }

    const std::vector<BYTE>& Bytes() const { return m_bytes; }
    // Stores the list as the item's blob value (SetBlob copies it).
    void StoreIn(DItemObject& item) const;

private:
    void AddLong(DWORD value);
    void AddText(LPCWSTR text);

    std::vector<BYTE> m_bytes;
};
