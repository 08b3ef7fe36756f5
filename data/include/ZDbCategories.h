#pragma once
// ZDbCategories: access to the shared "\Categories Database" that all the
// personal-information programs use. The journal reads category names from
// it, adds, renames, hides and un-hides categories, and keeps its own use
// counter (PROPID_CATCOUNT_JOURNAL) in each record, so that a category still
// in use is hidden rather than deleted.
//
// Record layout: name (text), index (signed 16-bit, unique), visible flag
// (signed 16-bit; 1 shown, 0 or absent hidden), and signed 16-bit use
// counters (three of other programs, created as 0 here, and the journal's).
// Any property other than name, index and visible flag counts as a use
// counter. Counters are stored in 16 bits; they stop at 32767 rather than
// wrap to a negative value that would make a busy category look unused.
//
// The database is shared with other processes; the object keeps a handle
// only between OpenCategories and Close. Not thread-safe; not copyable.

#include "ZCeDbase.h"

class ZDbCategories : public ZCeDbase {
public:
    ZDbCategories() = default;
    ZDbCategories(const ZDbCategories&) = delete;
    ZDbCategories& operator=(const ZDbCategories&) = delete;
    ~ZDbCategories() override = default;

    // Opens the shared database in the sort order of `sortProp` (the name
    // property for FindCategory). A missing database shows the "CE Database
    // Error" box (site 32, unit "DbCategories") and returns false.
    BOOL OpenCategories(CEPROPID sortProp, HWND notifyWindow);
    // The OID of the category of that name (ignoring case, by the database's
    // name order), 0 if none. Needs the database opened sorted by name.
    CEOID FindCategory(LPCWSTR name);
    // The OID of the category of that name; a hidden one is un-hidden. When
    // there is none, a new visible category is written with the lowest free
    // index and every counter 0 (`counter` is the journal's). 0 on failure;
    // when every index number (0..32767) is taken, the user is told that no
    // more categories can be added and nothing is written.
    CEOID AddCategory(LPCWSTR name, CEPROPID counter);
    // Renames `oid`. When a hidden category already has the new name, the
    // user is asked whether to un-hide it instead (the record `oid` keeps its
    // name). Returns 1 when renamed or answered, 0 when `oid` cannot be found
    // or written.
    BOOL RenameCategory(CEOID oid, LPCWSTR name);
    // Hides the category when any counter is above 0, else deletes it.
    BOOL DeleteCategory(CEOID oid, CEPROPID counter);
    BOOL IsCategoryInUse(CEOID oid);
    BOOL HideCategory(CEOID oid);
    BOOL UnhideCategory(CEOID oid);
    // True when the visible flag is 0 or absent; false also when `oid` does
    // not exist.
    BOOL IsCategoryHidden(CEOID oid);
    // Counter + 1 (an absent counter becomes 1); stops at 32767.
    BOOL IncCategoryCount(CEOID oid, CEPROPID counter);
    // Counter - 1 when above 0 (an absent counter becomes 0; 0 stays 0).
    BOOL DecCategoryCount(CEOID oid, CEPROPID counter);
    // The lowest index number no record holds, counting from 0 (0 when the
    // database cannot be opened; -1 when 0..32767 are all taken). Found by
    // halving the index order (a logarithmic number of reads), not by trying
    // every number below it. When another program wrote a number twice, the
    // number given is free but may not be the lowest.
    int NextCategoryIndex();
    DWORD CountVisibleCategories();
    // Sets `counter` to 0 in every record that holds it; returns how many.
    DWORD ClearCategoryCounts(CEPROPID counter);

    // The highest index number a category can have.
    static constexpr int kMaxCategoryIndex = 0x7FFF;

private:
    BOOL WriteShort(CEOID oid, CEPROPID id, SHORT value);
    // With the database open sorted by index: the lowest free number.
    int LowestFreeIndex();
    // The same by one walk through the order, for an order that holds a
    // number twice (written by another program).
    int LowestFreeIndexByWalk();
    // The index number of the record at `position` of the index order;
    // false when it cannot be read.
    bool IndexAt(DWORD position, int& number);
    // The counter's value, or -1 when the record lacks it; -2 when the record
    // cannot be found or read.
    int ReadCounter(CEOID oid, CEPROPID counter);
};
