#pragma once
// ByteCursor: reads little-endian values from bytes that came from outside
// (a backup file, a beamed message), never past their end. A read that does
// not fit returns false and leaves the position where it was. The cursor
// does not own the bytes; they must outlive it.
#include "WinTypes.h"

class ByteCursor {
public:
    ByteCursor(const BYTE* data, DWORD size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool AtEnd() const { return m_pos == m_size; }
    bool Has(DWORD n) const { return n <= m_size - m_pos; }
    DWORD Position() const { return m_pos; }
    void Restart(DWORD position) { m_pos = position; }

    bool U16(WORD& value)
    {
        if (!Has(2))
            return false;
        value = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }

    bool I16(SHORT& value)
    {
        WORD bits = 0;
        if (!U16(bits))
            return false;
        value = static_cast<SHORT>(bits);
        return true;
    }

    bool U32(DWORD& value)
    {
        if (!Has(4))
            return false;
        const BYTE* p = m_data + m_pos;
        value = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
        m_pos += 4;
        return true;
    }

    // A u32 length and that many bytes, all inside the data.
    bool Counted(const BYTE*& bytes, DWORD& length)
    {
        const DWORD start = m_pos;
        if (!U32(length) || !Has(length)) {
            m_pos = start;
            return false;
        }
        bytes = m_data + m_pos;
        m_pos += length;
        return true;
    }

private:
    const BYTE* m_data;
    DWORD m_size;
    DWORD m_pos = 0;
};
