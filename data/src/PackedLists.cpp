#include "PackedLists.h"

#include <string>

namespace {

// A bounds-checked cursor over a blob's bytes.
class BlobReader {
public:
    explicit BlobReader(const CEBLOB& blob)
        : m_data(blob.lpb)
        , m_size(blob.lpb ? blob.dwCount : 0)
    {
    }

    bool AtEnd() const { return m_pos >= m_size; }

    bool ReadLong(DWORD& value)
    {
        if (m_size - m_pos < 4)
            return false;
        const BYTE* p = m_data + m_pos;
        value = static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16)
            | (static_cast<DWORD>(p[3]) << 24);
        m_pos += 4;
        return true;
    }

    bool ReadText(std::u16string& text)
    {
        DWORD bytes = 0;
        if (!ReadLong(bytes) || bytes > m_size - m_pos)
            return false;
        text.resize(bytes / 2);
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(m_data[m_pos + 2 * i] | (m_data[m_pos + 2 * i + 1] << 8));
        m_pos += bytes;
        return true;
    }

private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Walks the contacts until visit returns true. Returns false for damage.
template <typename Visit> bool WalkContacts(const CEBLOB& blob, Visit visit)
{
    BlobReader reader(blob);
    std::u16string name;
    std::u16string second;
    while (!reader.AtEnd()) {
        DWORD oid = 0;
        if (!reader.ReadLong(oid) || !reader.ReadText(name) || !reader.ReadText(second))
            return false;
        if (visit(oid, name.c_str(), second.c_str()))
            break;
    }
    return true;
}

// Walks the categories until visit returns true. Returns false for damage.
template <typename Visit> bool WalkCategories(const CEBLOB& blob, Visit visit)
{
    BlobReader reader(blob);
    std::u16string name;
    while (!reader.AtEnd()) {
        DWORD oid = 0;
        if (!reader.ReadLong(oid) || !reader.ReadText(name))
            return false;
        if (visit(oid, name.c_str()))
            break;
    }
    return true;
}

} // namespace

bool UnpackContacts(const CEBLOB& blob, std::vector<DbAItem>& out)
{
    return WalkContacts(blob, [&out](CEOID oid, LPCWSTR name, LPCWSTR second) {
        out.emplace_back(oid, name, second);
        return false;
    });
}

bool AnyContact(const CEBLOB& blob, const std::function<bool(CEOID, LPCWSTR)>& visit)
{
    bool stopped = false;
    WalkContacts(blob, [&](CEOID oid, LPCWSTR name, LPCWSTR) { return stopped = visit(oid, name); });
    return stopped;
}

bool UnpackCategories(const CEBLOB& blob, std::vector<DbCItem>& out)
{
    return WalkCategories(blob, [&out](CEOID oid, LPCWSTR name) {
        out.emplace_back(oid, name);
        return false;
    });
}

bool AnyCategory(const CEBLOB& blob, const std::function<bool(CEOID, LPCWSTR)>& visit)
{
    bool stopped = false;
    WalkCategories(blob, [&](CEOID oid, LPCWSTR name) { return stopped = visit(oid, name); });
    return stopped;
}

void PackedListWriter::AddLong(DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<BYTE>(value >> shift));
}

void PackedListWriter::AddText(LPCWSTR text)
{
    std::size_t length = text ? std::char_traits<char16_t>::length(text) : 0;
    AddLong(static_cast<DWORD>(2 * length));
    for (std::size_t i = 0; i < length; ++i) {
        m_bytes.push_back(static_cast<BYTE>(text[i]));
        m_bytes.push_back(static_cast<BYTE>(text[i] >> 8));
    }
}

void PackedListWriter::AddContact(CEOID oid, LPCWSTR name, LPCWSTR secondText)
{
    AddLong(oid);
    AddText(name);
    AddText(secondText);
}

void PackedListWriter::AddCategory(CEOID oid, LPCWSTR name)
{
    AddLong(oid);
    AddText(name);
}

void PackedListWriter::StoreIn(DItemObject& item) const
{
    CEBLOB blob { static_cast<DWORD>(m_bytes.size()), const_cast<BYTE*>(m_bytes.data()) };
    item.SetBlob(&blob);
}
