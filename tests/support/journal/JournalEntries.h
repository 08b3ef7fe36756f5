#pragma once
// Journal entries for the tests and timing programs above the data layer:
// `Entry`, one entry described by value, in which a caller names only the
// fields that matter (designated initializers); the property set holding it;
// two ways to write it into an open journal; and the conversions between
// calendar dates, ticks and file times that go with them.
// Header-only, so a timing program uses it without the test libraries.
// Nothing here keeps state; a journal passed in is used on the calling thread.

#include "DbKestrin.h"
#include "DbRelX.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "PackedLists.h"
#include "ZJITEMS.h"
#include "ZTime.h"

#include <algorithm>
#include <string>
#include <vector>

// One journal entry. Whatever a caller leaves out is that of an ordinary
// note: no date, type Note, normal sensitivity and priority, empty texts and
// lists, no note.
struct Entry {
    std::u16string subject {};
    ULONGLONG date = 0;
    SHORT type = 6;
    std::u16string company {};
    std::vector<std::u16string> categories {};
    std::vector<std::u16string> contacts {};
    std::u16string attachment {};
    ULONGLONG duration = 0;
    SHORT sensitivity = 0;
    SHORT priority = 1;
    std::vector<BYTE> note {};
};

// Local ticks of a day, at 9:00 unless an hour is given.
inline ULONGLONG At(WORD year, WORD month, WORD day, WORD hour = 9, WORD minute = 0)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    return ZTime(time).Ticks();
}

inline FILETIME Ft(ULONGLONG ticks)
{
    return FILETIME { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
}

// A text the data layer handed out; null reads as empty.
inline std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

// A property set holding the entry's eleven fields, as the journal reads and
// writes them. The contacts get OIDs 500, 501, ... in list order; the
// categories none (0).
inline ZJITEMS MakeEntry(const Entry& entry)
{
    ZJITEMS set;
    DbTmp::Initialize(&set);
    set.GetItem(PROPID_SUBJECT)->SetStrValue(entry.subject.c_str());
    set.GetItem(PROPID_DATE)->SetFileTime(Ft(entry.date));
    set.GetItem(PROPID_TYPE)->SetShort(entry.type);
    set.GetItem(PROPID_COMPANY)->SetStrValue(entry.company.c_str());
    PackedListWriter categories;
    for (const auto& name : entry.categories)
        categories.AddCategory(0, name.c_str());
    categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
    PackedListWriter contacts;
    CEOID contactOid = 500;
    for (const auto& name : entry.contacts)
        contacts.AddContact(contactOid++, name.c_str(), u"");
    contacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
    set.GetItem(PROPID_ATTACHMENT)->SetStrValue(entry.attachment.c_str());
    set.GetItem(PROPID_DURATION)->SetFileTime(Ft(entry.duration));
    set.GetItem(PROPID_SENSITIVITY)->SetShort(entry.sensitivity);
    set.GetItem(PROPID_PRIORITY)->SetShort(entry.priority);
    if (!entry.note.empty()) {
        CEBLOB blob { static_cast<DWORD>(entry.note.size()), const_cast<BYTE*>(entry.note.data()) };
        set.GetItem(PROPID_NOTE)->SetBlob(&blob);
    }
    return set;
}

// Writes the entry as a new one through the journal, relation index
// included. Returns its OID; 0 when the write fails.
inline CEOID AddEntry(DbKestrin& journal, const Entry& entry)
{
    ZJITEMS set = MakeEntry(entry);
    return journal.Write(0, &set);
}

// Writes only the entry's subject, date, type and (when not empty) company as
// a new record straight into the journal's record database, past the
// relation index: for journals too large to build entry by entry (write many
// inside one ObjectStoreTransaction, then have the journal re-read its rows).
// Returns the record's OID; 0 when the write fails.
inline CEOID WriteBareEntry(DbKestrin& journal, const Entry& entry)
{
    CEPROPVAL values[] = { EmptyProp(PROPID_SUBJECT), EmptyProp(PROPID_DATE), EmptyProp(PROPID_TYPE),
        EmptyProp(PROPID_COMPANY) };
    values[0].val.lpwstr = const_cast<LPWSTR>(entry.subject.c_str());
    values[1].val.filetime = Ft(entry.date);
    values[2].val.iVal = entry.type;
    values[3].val.lpwstr = const_cast<LPWSTR>(entry.company.c_str());
    return journal.WriteProps(0, static_cast<WORD>(entry.company.empty() ? 3 : 4), values);
}

// Writes one relation record (the entries listed under `name` as `kind`)
// straight into the journal's relation index, as saving those entries one
// by one would leave it: for journals built with WriteBareEntry.
inline void WriteRelationList(DbRelX& relx, const std::u16string& name, DWORD kind, const ZOidsProp& list)
{
    CEPROPVAL values[] = { EmptyProp(PROPID_RELNAME), EmptyProp(PROPID_RELCOUNT), EmptyProp(PROPID_RELOIDS),
        EmptyProp(PROPID_RELKIND) };
    values[0].val.lpwstr = const_cast<LPWSTR>(name.c_str());
    values[1].val.iVal = static_cast<SHORT>(std::min(list.Count(), 0x7FFF));
    list.GetBlob(&values[2].val.blob);
    values[3].val.ulVal = kind;
    relx.WriteProps(0, 4, values);
    LocalFree(values[2].val.blob.lpb);
}
