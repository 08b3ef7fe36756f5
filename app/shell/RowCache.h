#pragma once
// RowCache: the few rows of the main list that are held in memory. The list
// is virtual — it has as many rows as the journal shows entries (row n is the
// n-th entry, in the journal's order, that passes the filter) — and asks for
// rows by index; the cache answers from two windows filled from the journal:
//
//   main  the rows the view showed last (scrolling stays inside it);
//   tail  the last rows of the list, kept apart so that a view sitting at the
//         end of the list does not throw the main window away.
//
// A window holds at least kWindowRows rows: a hint for fewer rows still fills
// kWindowRows (as far as the list goes), so scrolling line by line reads a
// whole window only now and then; a hint for more (a tall desktop window)
// fills up to kMaxWindowRows, the rows beyond are read on demand.
//
// An entry that cannot be read (deleted behind the list's back, or without
// date, subject or type) keeps its row, with empty texts and image 0, so the
// rows after it stay where they belong.
//
// Dates are formatted with the "Date Format" setting, which is read again on
// every hint. The journal and the settings store are not owned. UI thread
// only.

#include "DbKestrin.h"
#include "ZRegistry.h"
#include "ZString.h"

#include <QString>

#include <vector>

// One cached line of the list.
struct ListRow {
    QString dateText;
    QString subject;
    CEOID oid = 0;
    // The entry's type, used as the image index.
    int image = 0;
};

class RowCache {
public:
    static constexpr int kWindowRows = 30;
    static constexpr int kMaxWindowRows = 256;
    // The date of `ticks` in the date format `pattern` (the locale's short
    // date when the pattern is empty); empty for no date. The tree uses it too.
    static QString DateText(ULONGLONG ticks, const ZString& pattern);

    // A run of consecutive rows: rows[i] is row first + i.
    struct Window {
        int first = 0;
        std::vector<ListRow> rows;
        int Count() const { return static_cast<int>(rows.size()); }
        bool Holds(int index) const { return index >= first && index < first + Count(); }
    };

    RowCache(DbKestrin& journal, ZRegistry& settings);

    // The view is about to show rows from..to (inclusive). Fills the window
    // that will serve them unless it already holds them; reads nothing when
    // it does, or when the range is empty or outside the list.
    void Hint(int from, int to);
    // Row `index`: from the main window, else the tail window, else read
    // from the journal without caching. An unreadable row comes back empty.
    ListRow Row(int index);
    // The entry of row `index` without reading the rest of the row (0 past
    // the end).
    CEOID RowOid(int index);
    // Empties both windows.
    void Clear();
    // Row `index` left the list: it is taken out of each window that holds
    // it and the rows after it move up by one. True when a window held it.
    bool DeleteRow(int index);
    // Reads again the cached row of entry `oid`; when neither window holds
    // it, empties both. True when a cached row was re-read.
    bool UpdateRow(CEOID oid);

    const Window& Main() const { return main_; }
    const Window& Tail() const { return tail_; }
    // Entries read from the journal since construction (tests and timing).
    long ReadCount() const { return reads_; }
    // The date format in force ("MM/dd/yy"; empty for an unknown setting).
    const ZString& DatePattern() const { return datePattern_; }

private:
    void ReadDatePattern();
    void Fill(Window& window, int first, int count);
    ListRow ReadRow(CEOID oid);

    DbKestrin& journal_;
    ZRegistry& settings_;
    ZString datePattern_;
    Window main_;
    Window tail_;
    // The last row read outside the windows: a view asks for a row's date,
    // picture and subject one after the other.
    int directIndex_ = -1;
    ListRow direct_;
    long reads_ = 0;
};
