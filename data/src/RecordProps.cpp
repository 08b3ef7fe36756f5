#include "RecordProps.h"

#include "LocalHeap.h"

#include <vector>

RecordProps::~RecordProps()
{
    Free();
}

void RecordProps::Free()
{
    LocalFree(m_buffer);
    m_buffer = nullptr;
    m_values = nullptr;
    m_count = 0;
}

CEOID RecordProps::Read(ZCeDbase& db, std::initializer_list<CEPROPID> ids)
{
    Free();
    std::vector<CEPROPID> list(ids);
    if (list.empty())
        list.push_back(0); // one 0 and a count of 0: all properties
    WORD count = static_cast<WORD>(ids.size());
    CEOID oid = db.ReadProps(&count, list.data(), &m_buffer);
    if (oid == 0 || m_buffer == nullptr) {
        m_count = 0;
        return 0;
    }
    m_values = reinterpret_cast<const CEPROPVAL*>(m_buffer);
    m_count = count;
    return oid;
}

CEOID RecordProps::ReadOid(ZCeDbase& db, CEOID oid, std::initializer_list<CEPROPID> ids)
{
    Free();
    if (oid == 0 || db.SeekOid(oid) != oid)
        return 0;
    if (Read(db, ids) != oid) {
        Free();
        return 0;
    }
    return oid;
}

const CEPROPVAL* RecordProps::Find(CEPROPID id) const
{
    for (WORD i = 0; i < m_count; ++i)
        if (m_values[i].propid == id)
            return (m_values[i].wFlags & CEDB_PROPNOTFOUND) ? nullptr : &m_values[i];
    return nullptr;
}
