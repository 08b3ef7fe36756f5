#pragma once
// The base of the journal tests' fixtures: a journal opened in a fresh data
// folder before each test, with message boxes and the other UI calls
// recorded instead of shown (`hooks`). The fixture owns all of it; the
// journal is closed and the folder removed after the test. Not thread-safe.

#include "JournalEntries.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <vector>

class OpenJournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(db.Open(nullptr), 1); }

    // Writes the entry through the journal; returns its OID (0 on failure).
    CEOID Add(const Entry& entry) { return AddEntry(db, entry); }

    // The OIDs listed under `name` of `kind` in the relation index; none
    // when the name is not there.
    std::vector<CEOID> Listed(const WCHAR* name, DWORD kind)
    {
        ZOidsProp list;
        if (!db.GetRelX().GetOidList(name, list, kind))
            return {};
        return std::vector<CEOID>(list.begin(), list.end());
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    DbKestrin db;
};
