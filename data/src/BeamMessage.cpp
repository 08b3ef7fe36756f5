#include "BeamMessage.h"

#include "ByteCursor.h"
#include "DbCats.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "ReferenceBatch.h"
#include "StoreBatch.h"

#include <cstring>
#include <string>

namespace {

enum class FieldRead { Ok, Unusable, Damaged };

FieldRead ReadText(ByteCursor& cursor, DbJItem& field)
{
    const BYTE* bytes = nullptr;
    DWORD length = 0;
    if (!cursor.Counted(bytes, length))
        return FieldRead::Damaged;
    // A NUL would end the stored text there and lose the rest unnoticed.
    if (std::memchr(bytes, 0, length) != nullptr)
        return FieldRead::Unusable;
    ZString text;
    text.AssignAnsi(reinterpret_cast<const char*>(bytes), length);
    field.SetStrValue(text.IsEmpty() ? u"" : text.Text());
    return FieldRead::Ok;
}

FieldRead ReadBlob(ByteCursor& cursor, DbJItem& field)
{
    const BYTE* bytes = nullptr;
    DWORD length = 0;
    if (!cursor.Counted(bytes, length))
        return FieldRead::Damaged;
    CEBLOB blob { length, const_cast<BYTE*>(bytes) };
    bool listOk = true;
    if (field.GetPropID() == PROPID_CONTACTS) {
        std::vector<DbAItem> contacts;
        listOk = UnpackContacts(blob, contacts);
    } else if (field.GetPropID() == PROPID_CATEGORIES) {
        std::vector<DbCItem> categories;
        listOk = UnpackCategories(blob, categories);
    }
    if (!listOk)
        return FieldRead::Unusable;
    field.SetBlob(&blob);
    return FieldRead::Ok;
}

FieldRead ReadValue(ByteCursor& cursor, DbJItem& field)
{
    switch (field.GetPropType()) {
    case CEVT_I2: {
        WORD value = 0;
        if (!cursor.U16(value))
            return FieldRead::Damaged;
        field.SetShort(static_cast<SHORT>(value));
        return FieldRead::Ok;
    }
    case CEVT_FILETIME: {
        DWORD low = 0;
        DWORD high = 0;
        if (!cursor.U32(low) || !cursor.U32(high))
            return FieldRead::Damaged;
        field.SetFileTime(FILETIME { low, high });
        return FieldRead::Ok;
    }
    case CEVT_LPWSTR:
        return ReadText(cursor, field);
    case CEVT_BLOB:
        return ReadBlob(cursor, field);
    default:
        return FieldRead::Ok;
    }
}

// Decodes one record: as many (id, value) pairs as the set has fields.
FieldRead ReadRecord(ByteCursor& cursor, ZJITEMS& set)
{
    DbTmp::Initialize(&set);
    FieldRead result = FieldRead::Ok;
    for (int pair = 0; pair < set.Count(); ++pair) {
        DWORD id = 0;
        if (!cursor.U32(id))
            return FieldRead::Damaged;
        DbJItem* field = set.GetItem(id);
        if (field == nullptr)
            continue;
        const FieldRead read = ReadValue(cursor, *field);
        if (read == FieldRead::Damaged)
            return read;
        if (read == FieldRead::Unusable)
            result = read;
    }
    return result;
}

void WriteCounted(ZStream& out, const void* bytes, DWORD length)
{
    out.WriteULong(length);
    if (length != 0)
        out.WriteBytes(bytes, length);
}

// The sender's category ids mean nothing here: each category is found (or
// added) by name in this journal's shared categories.
void MatchCategoriesByName(DbJItem& field, DbCats& categories)
{
    std::vector<DbCItem> items;
    const CEBLOB* blob = field.GetBlob();
    if (blob == nullptr || blob->dwCount == 0 || !UnpackCategories(*blob, items))
        return;
    PackedListWriter writer;
    for (const DbCItem& item : items) {
        CEOID own = categories.FindCategory(item.GetName());
        if (own == 0)
            own = categories.AddCategory(item.GetName(), PROPID_CATCOUNT_JOURNAL);
        writer.AddCategory(own, item.GetName());
    }
    writer.StoreIn(field);
}

// The sender's contact ids name its own address book: they are cleared and
// the names kept, so the contacts are found again by name.
void ClearContactIds(DbJItem& field)
{
    std::vector<DbAItem> items;
    const CEBLOB* blob = field.GetBlob();
    if (blob == nullptr || blob->dwCount == 0 || !UnpackContacts(*blob, items))
        return;
    PackedListWriter writer;
    for (const DbAItem& item : items)
        writer.AddContact(0, item.GetName(), item.GetSecondText());
    writer.StoreIn(field);
}

} // namespace

void EncodeBeamRecord(ZStream& out, const ZJITEMS& set)
{
    for (const DbJItem* field : set) {
        out.WriteULong(field->GetPropID());
        switch (field->GetPropType()) {
        case CEVT_I2:
            out.WriteShort(field->GetShort());
            break;
        case CEVT_FILETIME: {
            const FILETIME time = field->GetFileTime();
            out.WriteLongLong(static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32)
                | time.dwLowDateTime));
            break;
        }
        case CEVT_LPWSTR: {
            const std::string bytes = field->GetStrValue() ? ZString::AnsiBytes(field->GetStrValue()) : std::string();
            WriteCounted(out, bytes.data(), static_cast<DWORD>(bytes.size()));
            break;
        }
        case CEVT_BLOB: {
            const CEBLOB* blob = field->GetBlob();
            const bool has = blob != nullptr && blob->lpb != nullptr;
            WriteCounted(out, has ? blob->lpb : nullptr, has ? blob->dwCount : 0);
            break;
        }
        default:
            break;
        }
    }
}

DWORD BuildBeamMessage(DbKestrin& journal, const std::vector<CEOID>& oids, ZStream& out)
{
    ZStream records;
    DWORD written = 0;
    for (CEOID oid : oids) {
        if (written == kBeamMaxRecords)
            break;
        ZJITEMS set;
        if (oid == 0 || journal.Read(oid, &set, TRUE) != oid)
            continue;
        EncodeBeamRecord(records, set);
        ++written;
    }
    // The count says what the message holds, not what was asked for.
    out.Free();
    out.WriteShort(kBeamVersion);
    out.WriteShort(static_cast<SHORT>(written));
    out.WriteBytes(records.Data(), records.Size());
    return written;
}

BeamDecoded DecodeBeamMessage(const BYTE* data, DWORD size)
{
    BeamDecoded decoded;
    if (data == nullptr || size == 0)
        return decoded;
    ByteCursor cursor(data, size);
    WORD version = 0;
    WORD count = 0;
    if (!cursor.U16(version)) {
        decoded.outcome = BeamDecoded::Outcome::BadVersion;
        decoded.truncated = true;
        return decoded;
    }
    decoded.version = static_cast<SHORT>(version);
    if (decoded.version != kBeamVersion) {
        decoded.outcome = BeamDecoded::Outcome::BadVersion;
        return decoded;
    }
    decoded.outcome = BeamDecoded::Outcome::Decoded;
    if (!cursor.U16(count)) {
        decoded.truncated = true;
        return decoded;
    }
    decoded.announced = count;
    for (DWORD record = 0; record < count; ++record) {
        ZJITEMS set;
        const FieldRead read = ReadRecord(cursor, set);
        if (read == FieldRead::Damaged) {
            decoded.truncated = true;
            break;
        }
        if (read == FieldRead::Unusable)
            ++decoded.dropped;
        else
            decoded.entries.push_back(std::move(set));
    }
    return decoded;
}

DWORD StoreBeamedEntries(DbKestrin& journal, std::vector<ZJITEMS>& entries)
{
    if (entries.empty())
        return 0;
    ObjectStoreTransaction transaction;
    DbCats categories;
    const bool categoriesOpen = categories.Open(nullptr) != 0;
    for (ZJITEMS& set : entries) {
        if (DbJItem* field = set.GetItem(PROPID_CATEGORIES); field && categoriesOpen)
            MatchCategoriesByName(*field, categories);
        if (DbJItem* field = set.GetItem(PROPID_CONTACTS))
            ClearContactIds(*field);
    }
    if (categoriesOpen)
        categories.Close();
    // Records first, then every relation record and category counter once:
    // entry by entry, each write would rewrite whole relation lists.
    ReferenceBatch references(journal);
    bool written = true;
    for (ZJITEMS& set : entries) {
        const CEOID oid = DbTmp::WriteRecord(journal, 0, &set);
        if (oid == 0) {
            written = false;
            break;
        }
        references.AddEntry(oid, set);
    }
    written = written && references.Flush() && CommitBatch(transaction);
    if (!written && transaction.IsActive())
        transaction.Rollback();
    // The journal's in-memory rows learn of the new (or vanished) records.
    journal.InvalidateRows();
    return written ? static_cast<DWORD>(entries.size()) : 0;
}
