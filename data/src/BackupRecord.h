#pragma once
// One record of a backup file: encoding an entry and decoding it again (the
// layout is described in ZBackup.h). The decoder takes outside bytes and
// checks a record whole before it hands it out: every length inside the
// data, each of the eleven entry fields exactly once, texts without NUL
// characters, contact and category lists that unpack cleanly. Private to the data layer; not thread-safe.

#include "RecordProps.h"
#include "ZJITEMS.h"
#include "ZStream.h"

#include <string>

// A decoded record: the OID stored in the file, the file offset of those 4
// bytes, and the entry's eleven fields.
struct BackupRecord {
    CEOID oid = 0;
    DWORD oidOffset = 0;
    ZJITEMS set;
};

// Appends the record of entry `oid` read into `props`: its OID, then the
// eleven entry fields in set order, as property id and value.
void EncodeBackupRecord(ZStream& out, CEOID oid, const RecordProps& props);

// Reads records from a stream positioned at the first record.
class BackupRecordReader {
public:
    explicit BackupRecordReader(ZStream& stream)
        : m_stream(stream)
    {
    }

    // No bytes are left.
    bool AtEnd() const { return m_stream.Remaining() == 0; }
    // Decodes the next record into `record` (whose set must be empty) and
    // moves past it. False when the record is damaged or cut off: the stream
    // stays where it was and `record` must not be used.
    bool Next(BackupRecord& record);
    // Records decoded so far.
    DWORD Count() const { return m_count; }
    // When the last Next failed because a text held a NUL character (no
    // entry text can hold one, and cutting it there would lose the rest
    // silently): the label of that field ("Subject"); else empty.
    const std::u16string& NulInField() const { return m_nulInField; }

private:
    ZStream& m_stream;
    DWORD m_count = 0;
    std::u16string m_nulInField;
};
