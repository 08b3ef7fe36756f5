#pragma once
// DbKestrin: the journal — the record database "Kestrin" (type 22437) that
// holds the entries, with the relation index (DbRelX) that lists which
// entries use which contacts and categories, and the active filter
// (ZFilter). The main program keeps one for its whole run; other processes
// (command line, menu extension) use their own.
//
// Open creates both databases on first use and reopens the journal in the
// sort order last set by SortByProp, without any message box. Write and
// DeleteEntry change an entry and its references in one store transaction,
// so the journal and its index stay consistent even when the process dies
// half way.
//
// Rows. The main list shows "row n = the n-th entry, in the current order,
// that passes the filter". GetRowCount / GetRowOid / GetRowIndex answer that
// quickly: without an active filter they go straight to the store's order;
// with one, they use an in-memory index of the journal (order and the few
// fields the filter and the tree look at), built by one walk on first use
// (about 1.5 s at 100,000 entries) and kept up to date by this object's
// Write and DeleteEntry, so that a filter change costs one pass over memory.
// The index is rebuilt after a sort change, a change made through another
// handle of this process (the notification reaches the journal first, then
// the window given to Open), and when the count or modification time of the
// database shows another process changed it (checked by GetRecCount, which
// the list calls on every refresh). InvalidateRows() forces a rebuild. The
// tree's questions (HasTypes ... HasContacts) are answered from the same
// index.
//
// Counts are 32-bit: a journal of 100,000 entries counts 100,000.
// Not thread-safe; not copyable.

#include "DbNotifyTarget.h"
#include "DbRelX.h"
#include "JournalIndex.h"
#include "ZCeDbase.h"
#include "ZFilter.h"
#include "ZJITEMS.h"

#include <functional>
#include <vector>

class ZCProgress;
class ZCStatic;
class ZString;

class DbKestrin : public ZCeDbase {
public:
    static constexpr DWORD kDbType = 22437;

    DbKestrin();
    DbKestrin(const DbKestrin&) = delete;
    DbKestrin& operator=(const DbKestrin&) = delete;
    // Closes both databases.
    ~DbKestrin() override;

    // Opens the relation index, then the journal (both created when
    // missing). `notifyWindow` (null or a DbNotifyTarget) receives the
    // change notifications of both. 1 opened, 0 failed.
    BOOL Open(HWND notifyWindow);
    // Closes the relation index and then, only when that worked, the journal.
    // Returns the result of closing the journal.
    BOOL Close() override;
    // Deletes the relation index and then the journal database.
    BOOL Delete();

    // Fills an empty property set with the eleven entry fields and the
    // values of entry `oid`. Returns `oid`; 0 when the entry does not exist
    // or cannot be read (the set keeps the fields with their initial
    // values), when `set` is null, or when `applyFilter` is set and the entry
    // does not pass the filter (the set is then emptied).
    CEOID Read(CEOID oid, ZJITEMS* set, BOOL applyFilter);
    // Writes the stored fields of the set as entry `oid` (0 = a new entry)
    // and adds its categories and contacts to the relation index, all in one
    // transaction. Only adds references: a caller rewriting an entry removes
    // the old ones first (DeleteCatReferences / DeleteContactReferences).
    // Returns the OID written, 0 on failure (nothing written).
    CEOID Write(CEOID oid, ZJITEMS* set);
    // Writes only the stored fields of the set as entry `oid` (0 = new) and
    // keeps the rows up to date, leaving the relation index alone: for a
    // caller that keeps the entry's references itself inside its own
    // transaction (SaveEntry). A caller whose transaction is rolled back
    // calls InvalidateRows. Returns the OID written, 0 on failure.
    CEOID WriteEntryRecord(CEOID oid, ZJITEMS* set);
    // The entry flags (16-bit) of `oid` into *out. Returns `oid` when read,
    // else the seek result (0).
    CEOID GetFlags(CEOID oid, DWORD* out);
    // Writes the entry flags of `oid`. Returns `oid` when written, else 0.
    CEOID SetFlags(CEOID oid, DWORD value);

    // Reference bookkeeping for entry `entry` (all return 0). An empty list
    // counts the entry under "None".
    int AddContactReferences(CEOID entry, const CEBLOB* contacts);
    int DeleteContactReferences(CEOID entry);
    int AddCatReferences(CEOID entry, const CEBLOB* categories);
    int DeleteCatReferences(CEOID entry);
    // Removes the entry's references and then the entry, in one transaction;
    // the cursor ends on the first record. True when the record was deleted.
    BOOL DeleteEntry(CEOID oid);

    // Re-sorts the journal by `specs` (the program passes one): closes both
    // databases, applies the sort order, reopens. A refused change shows the
    // "Database Error" box. Returns 0.
    int SortByProp(SORTORDERSPEC* specs, WORD count);
    // The kind code of record `oid` (KIND_ENTRY for 0 and for records
    // without a record type).
    DWORD GetRecordType(CEOID oid);
    // KIND_ENTRY: the entries passing the filter (all when it is inactive);
    // other kinds: the relation records of that kind.
    DWORD GetRecCount(DWORD kind);

    // Rows of the main list (see the header comment).
    DWORD GetRowCount() { return GetRecCount(KIND_ENTRY); }
    // The OID of row `row` (0-based); 0 past the end.
    CEOID GetRowOid(DWORD row);
    // The row of entry `oid`; 0xFFFFFFFF when it is not shown.
    DWORD GetRowIndex(CEOID oid);
    void InvalidateRows();
    // The in-memory index (facts of every entry) and the entries the filter
    // lets through, in order, for readers that group or order entries
    // without reading the store (JournalGroups). Both are brought up to
    // date first; the references stay valid until the journal changes.
    const JournalIndex& Facts();
    const std::vector<CEOID>& ShownRows();

    // Filter tests.
    // 1 when the set passes the filter (always when it is inactive).
    BOOL InFilter(const ZJITEMS* set) const;
    // True when an entry passing the filter has the value whose table text
    // equals `text` (case-sensitive).
    BOOL HasTypes(LPCWSTR text);
    BOOL HasPriority(LPCWSTR text);
    BOOL HasSensitivity(LPCWSTR text);
    // True when an entry passing the filter has that company (ignoring case).
    BOOL HasCompany(LPCWSTR text);
    // flag != 0: tests the entries of `list`, in order; flag == 0: every
    // entry passing the filter. True when one has the category / contact
    // `name` ("None": has none).
    BOOL HasCategory(int flag, LPCWSTR name, const ZOidsProp* list);
    BOOL HasContacts(int flag, LPCWSTR name, const ZOidsProp* list);
    // Per-entry tests; the entry is read with the filter applied.
    BOOL IsCategoryPresent(CEOID oid, LPCWSTR name);
    BOOL IsContactPresent(CEOID oid, LPCWSTR name);
    // The entry's company equals `text` ignoring case (no filter).
    BOOL IsCompanyPresent(CEOID oid, LPCWSTR text);

    // The integrity check: rebuilds the relation index and the category
    // counters from the entries (implemented beside the backup, which it
    // uses). `silent` skips the offer of a backup first.
    int Cleanup(BOOL silent, ZCProgress* progress, ZCStatic* status, ZString* error);

    DbRelX& GetRelX() { return m_relx; }
    ZFilter& GetFilter() { return m_filter; }
    const ZFilter& GetFilter() const { return m_filter; }

private:
    // Forwards change notifications to the window given to Open after
    // dropping the row list.
    class NotifyRelay : public DbNotifyTarget {
    public:
        explicit NotifyRelay(DbKestrin& owner)
            : m_owner(owner)
        {
        }
        void OnDbNotify(UINT code, CEOID oid) override;
        HWND target = nullptr;

    private:
        DbKestrin& m_owner;
    };

    BOOL OpenJournal(HWND notifyWindow);
    bool FilterActive() const { return m_filter.IsActive() != 0; }
    // The in-memory index, built on first use.
    JournalIndex& Index();
    // The entries the filter lets through, in order (all when inactive).
    const std::vector<CEOID>& Shown();
    // Calls `test` with the facts of every entry shown until it returns true.
    bool AnyShown(const std::function<bool(const JournalIndex::Facts&)>& test);
    BOOL HasTableValue(SHORT JournalIndex::Facts::*field, const WCHAR* (*text)(int), LPCWSTR wanted);
    BOOL IsNamePresent(CEOID oid, LPCWSTR name, CEPROPID field);
    BOOL HasName(int flag, LPCWSTR name, const ZOidsProp* list, bool categories);
    // Whether the journal changed since this object last looked (another
    // process writes): its record count or modification time moved.
    bool ChangedElsewhere();
    // Remembers the journal's state after a change made here.
    void NoteOwnChange() { ChangedElsewhere(); }

    DbRelX m_relx;
    ZFilter m_filter;
    NotifyRelay m_relay;
    JournalIndex m_index;
    DWORD m_seenCount = 0;
    ULONGLONG m_seenModified = 0;
};
