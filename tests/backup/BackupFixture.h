#pragma once
// The backup tests' journal in a fresh data folder, and a writer of backup
// bytes done by hand from the file layout (so tests compare against the
// format, not against the code under test).

#include "OpenJournalTest.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Backup bytes, little-endian, put together field by field.
class Bytes {
public:
    Bytes& U16(unsigned v)
    {
        m_b.push_back(static_cast<char>(v & 0xFF));
        m_b.push_back(static_cast<char>((v >> 8) & 0xFF));
        return *this;
    }
    Bytes& U32(DWORD v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& U64(ULONGLONG v) { return U32(static_cast<DWORD>(v)).U32(static_cast<DWORD>(v >> 32)); }
    Bytes& Raw(const std::string& bytes)
    {
        m_b += bytes;
        return *this;
    }
    // u32 length + UTF-8 bytes.
    Bytes& Utf8(const std::string& text) { return U32(static_cast<DWORD>(text.size())).Raw(text); }
    Bytes& Blob(const std::string& bytes) { return Utf8(bytes); }
    // The packed text of a contact/category list: u32 byte count + UTF-16LE.
    static std::string Utf16(const std::u16string& text)
    {
        Bytes b;
        b.U32(static_cast<DWORD>(text.size() * 2));
        for (char16_t c : text)
            b.U16(c);
        return b.Str();
    }
    // One record with the eleven fields in set order.
    Bytes& Record(CEOID oid, const std::string& subjectUtf8, ULONGLONG date, SHORT type,
        const std::string& company, const std::string& categoriesBlob, const std::string& contactsBlob,
        const std::string& attachment, ULONGLONG duration, SHORT sensitivity, SHORT priority,
        const std::string& note)
    {
        U32(oid);
        U32(PROPID_SUBJECT).Utf8(subjectUtf8);
        U32(PROPID_DATE).U64(date);
        U32(PROPID_TYPE).U16(static_cast<WORD>(type));
        U32(PROPID_COMPANY).Utf8(company);
        U32(PROPID_CATEGORIES).Blob(categoriesBlob);
        U32(PROPID_CONTACTS).Blob(contactsBlob);
        U32(PROPID_ATTACHMENT).Utf8(attachment);
        U32(PROPID_DURATION).U64(duration);
        U32(PROPID_SENSITIVITY).U16(static_cast<WORD>(sensitivity));
        U32(PROPID_PRIORITY).U16(static_cast<WORD>(priority));
        U32(PROPID_NOTE).Blob(note);
        return *this;
    }
    const std::string& Str() const { return m_b; }
    std::size_t Size() const { return m_b.size(); }

private:
    std::string m_b;
};

// The little-endian u32 at `at` of `bytes`, and writing one there.
inline DWORD U32At(const std::string& bytes, std::size_t at)
{
    return static_cast<BYTE>(bytes[at]) | (static_cast<BYTE>(bytes[at + 1]) << 8)
        | (static_cast<BYTE>(bytes[at + 2]) << 16)
        | (static_cast<DWORD>(static_cast<BYTE>(bytes[at + 3])) << 24);
}
inline void PutU32At(std::string& bytes, std::size_t at, DWORD value)
{
    for (int b = 0; b < 4; ++b)
        bytes[at + b] = static_cast<char>(value >> (8 * b));
}

// Where each record of a well-formed backup begins (at its stored OID),
// found by walking the eleven fields by their encodings; the last element
// is where the data ends.
inline std::vector<std::size_t> RecordOffsets(const std::string& file)
{
    std::vector<std::size_t> offsets;
    std::size_t at = 6;
    while (at + 4 <= file.size()) {
        offsets.push_back(at);
        at += 4;
        for (int field = 0; field < 11 && at + 4 <= file.size(); ++field) {
            WORD type = static_cast<WORD>(U32At(file, at) & 0xFFFF);
            at += 4;
            if (type == CEVT_FILETIME)
                at += 8;
            else if (type == CEVT_I2)
                at += 2;
            else
                at += 4 + U32At(file, at);
        }
    }
    offsets.push_back(at);
    return offsets;
}

// The stored OIDs of a well-formed backup, in file order.
inline std::vector<CEOID> StoredOids(const std::string& file)
{
    std::vector<std::size_t> offsets = RecordOffsets(file);
    std::vector<CEOID> oids;
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i)
        oids.push_back(U32At(file, offsets[i]));
    return oids;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class BackupTest : public OpenJournalTest {
protected:
    // Entry OIDs in the journal's order.
    std::vector<CEOID> Entries()
    {
        std::vector<CEOID> oids;
        for (CEOID oid = db.SeekFirst(); oid != 0; oid = db.SeekNext())
            oids.push_back(oid);
        return oids;
    }

    std::u16string Subject(CEOID oid)
    {
        ZJITEMS set;
        db.Read(oid, &set, FALSE);
        const DbJItem* subject = set.GetItem(PROPID_SUBJECT);
        return subject ? Text(subject->GetStrValue()) : std::u16string();
    }

    ZString PathOf(const std::string& name) { return ZString::FromUtf8(home.file(name).string()); }
};
