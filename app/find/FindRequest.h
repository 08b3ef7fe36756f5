#pragma once
// FindRequest: what the user asked find for, kept by the main window for the
// program's run so that a second search starts from the first one's choices,
// with its settings ("SearchBy", "SearchFrom", "MatchCase") and the history
// of the last ten search texts ("Find0" newest .. "Find9"). Plain value and
// functions over the settings store; UI thread only.

#include "JournalFind.h"
#include "ZRegistry.h"

#include <QStringList>

#include <vector>

struct FindRequest {
    static constexpr int kHistorySize = 10;
    // "Search from" buttons.
    static constexpr int kFromTop = 1073;
    static constexpr int kFromCurrent = 1076;

    FindBy by = FindBy::Date;
    int from = kFromTop;
    bool matchCase = true;
    ZTime day;
    std::u16string text;
    std::vector<CEOID> results;

    // Takes "SearchBy", "SearchFrom" and "MatchCase" (a "SearchBy" that is
    // neither Date nor Subject means Entry, a "SearchFrom" other than Top
    // means Current).
    void LoadSettings(ZRegistry& settings);
    void SaveSettings(ZRegistry& settings) const;

    // The query for the search, starting after `focused` when searching from
    // the current entry (from the top when none is focused).
    FindQuery Query(CEOID focused) const;
};

// The history texts, newest first, up to the first empty one.
QStringList ReadFindHistory(ZRegistry& settings);
// Writes `text` (trailing spaces dropped) as "Find0" followed by the older
// texts of `shown` that differ from it ignoring case, up to ten values; an
// empty text writes only the older ones. Entries beyond those written stay.
// Returns the text as taken.
QString WriteFindHistory(ZRegistry& settings, const QString& text, const QStringList& shown);
