#include "BackupRecord.h"

#include "ByteCursor.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "JournalProps.h"
#include "PackedLists.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

enum class Decoded { Ok, Damaged, NulInText };

Decoded DecodeValue(ByteCursor& cursor, DbJItem& field)
{
    switch (field.GetPropType()) {
    case CEVT_FILETIME: {
        DWORD low = 0;
        DWORD high = 0;
        if (!cursor.U32(low) || !cursor.U32(high))
            return Decoded::Damaged;
        field.SetFileTime(FILETIME { low, high });
        return Decoded::Ok;
    }
    case CEVT_LPWSTR: {
        const BYTE* bytes = nullptr;
        DWORD length = 0;
        if (!cursor.Counted(bytes, length))
            return Decoded::Damaged;
        if (std::memchr(bytes, 0, length) != nullptr)
            return Decoded::NulInText;
        ZString text;
        text.AssignAnsi(reinterpret_cast<const char*>(bytes), length);
        field.SetStrValue(text.IsEmpty() ? u"" : text.Text());
        return Decoded::Ok;
    }
    case CEVT_BLOB: {
        const BYTE* bytes = nullptr;
        DWORD length = 0;
        if (!cursor.Counted(bytes, length))
            return Decoded::Damaged;
        CEBLOB blob { length, const_cast<BYTE*>(bytes) };
        if (field.GetPropID() == PROPID_CONTACTS) {
            std::vector<DbAItem> contacts;
            if (!UnpackContacts(blob, contacts))
                return Decoded::Damaged;
        } else if (field.GetPropID() == PROPID_CATEGORIES) {
            std::vector<DbCItem> categories;
            if (!UnpackCategories(blob, categories))
                return Decoded::Damaged;
        }
        field.SetBlob(&blob);
        return Decoded::Ok;
    }
    case CEVT_I2: {
        SHORT value = 0;
        if (!cursor.I16(value))
            return Decoded::Damaged;
        field.SetShort(value);
        return Decoded::Ok;
    }
    default:
        return Decoded::Damaged;
    }
}

} // namespace

void EncodeBackupRecord(ZStream& out, CEOID oid, const RecordProps& props)
{
    out.WriteULong(oid);
    for (const EntryFieldDef& field : ENTRY_FIELDS) {
        CEPROPVAL value = EntryValue(props, field.propId);
        out.WriteULong(field.propId);
        switch (field.propId & 0xFFFF) {
        case CEVT_FILETIME:
            out.WriteULong(value.val.filetime.dwLowDateTime);
            out.WriteULong(value.val.filetime.dwHighDateTime);
            break;
        case CEVT_LPWSTR: {
            std::string bytes = value.val.lpwstr ? ZString::AnsiBytes(value.val.lpwstr) : std::string();
            out.WriteULong(static_cast<ULONG>(bytes.size()));
            out.WriteBytes(bytes.data(), static_cast<DWORD>(bytes.size()));
            break;
        }
        case CEVT_BLOB: {
            DWORD length = value.val.blob.lpb ? value.val.blob.dwCount : 0;
            out.WriteULong(length);
            out.WriteBytes(value.val.blob.lpb, length);
            break;
        }
        default:
            out.WriteShort(value.val.iVal);
            break;
        }
    }
}

bool BackupRecordReader::Next(BackupRecord& record)
{
    m_nulInField.clear();
    DWORD start = m_stream.Position();
    ByteCursor cursor(m_stream.Data() + start, m_stream.Remaining());
    if (!cursor.U32(record.oid))
        return false;
    record.oidOffset = start;
    DbTmp::Initialize(&record.set);
    std::vector<CEPROPID> seen;
    while (static_cast<int>(seen.size()) < record.set.Count()) {
        DWORD id = 0;
        if (!cursor.U32(id))
            return false;
        DbJItem* field = record.set.GetItem(id);
        if (field == nullptr || std::find(seen.begin(), seen.end(), id) != seen.end())
            return false;
        Decoded decoded = DecodeValue(cursor, *field);
        if (decoded == Decoded::NulInText)
            m_nulInField = field->GetLabel().IsEmpty() ? u"?" : field->GetLabel().Text();
        if (decoded != Decoded::Ok)
            return false;
        seen.push_back(id);
    }
    m_stream.Seek(start + cursor.Position());
    ++m_count;
    return true;
}
