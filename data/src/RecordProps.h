#pragma once
// RecordProps: the properties of one record read through a ZCeDbase, with
// the buffer the store allocated freed when the object goes (also when the
// read failed). Private to the data layer. Not thread-safe.

#include "CeDbTypes.h"
#include "ZCeDbase.h"

#include <initializer_list>

class RecordProps {
public:
    RecordProps() = default;
    RecordProps(const RecordProps&) = delete;
    RecordProps& operator=(const RecordProps&) = delete;
    ~RecordProps();

    // Reads the listed properties of the record under the cursor (an empty
    // list reads all of them). Returns the OID read, 0 on failure.
    CEOID Read(ZCeDbase& db, std::initializer_list<CEPROPID> ids = {});
    // Seeks to `oid` first; returns 0 (and reads nothing) when the record
    // does not exist or another record was read.
    CEOID ReadOid(ZCeDbase& db, CEOID oid, std::initializer_list<CEPROPID> ids = {});

    // The value of a property the record holds; null when it was not read or
    // the record lacks it.
    const CEPROPVAL* Find(CEPROPID id) const;
    WORD Count() const { return m_count; }
    const CEPROPVAL* Values() const { return m_values; }

private:
    void Free();

    BYTE* m_buffer = nullptr;
    const CEPROPVAL* m_values = nullptr;
    WORD m_count = 0;
};
