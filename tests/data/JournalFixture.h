#pragma once
// The data-layer tests' journal, opened in a fresh data folder for each test.

#include "OpenJournalTest.h"

#include <vector>

class JournalTest : public OpenJournalTest {
protected:
    // The OIDs of the journal's rows, top to bottom.
    std::vector<CEOID> Rows()
    {
        std::vector<CEOID> rows;
        DWORD count = db.GetRowCount();
        for (DWORD row = 0; row < count; ++row)
            rows.push_back(db.GetRowOid(row));
        return rows;
    }
};
