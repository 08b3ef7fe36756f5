#pragma once
// A journal opened in a fresh data folder, with helpers that build entries.

#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZJITEMS.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

struct EntrySpec {
    const WCHAR* subject = u"";
    ULONGLONG date = 0;
    SHORT type = -1;
    const WCHAR* company = nullptr;
    std::vector<const WCHAR*> categories = {};
    std::vector<const WCHAR*> contacts = {};
};

inline ULONGLONG DayTicks(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = 9;
    return ZTime(time).Ticks();
}

// A property set holding the entry's fields.
inline ZJITEMS MakeEntry(const EntrySpec& entry)
{
    ZJITEMS set;
    DbTmp::Initialize(&set);
    set.GetItem(PROPID_SUBJECT)->SetStrValue(entry.subject);
    set.GetItem(PROPID_DATE)
        ->SetFileTime(FILETIME { static_cast<DWORD>(entry.date), static_cast<DWORD>(entry.date >> 32) });
    set.GetItem(PROPID_TYPE)->SetShort(entry.type);
    if (entry.company)
        set.GetItem(PROPID_COMPANY)->SetStrValue(entry.company);
    PackedListWriter categories;
    for (const WCHAR* name : entry.categories)
        categories.AddCategory(0, name);
    categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
    PackedListWriter contacts;
    CEOID contactOid = 100;
    for (const WCHAR* name : entry.contacts)
        contacts.AddContact(contactOid++, name, u"");
    contacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
    return set;
}

inline std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(db.Open(nullptr), 1); }

    CEOID Add(const EntrySpec& entry)
    {
        ZJITEMS set = MakeEntry(entry);
        return db.Write(0, &set);
    }

    // The OIDs listed under `name` of `kind` in the relation index.
    std::vector<CEOID> Listed(const WCHAR* name, DWORD kind)
    {
        ZOidsProp list;
        if (!db.GetRelX().GetOidList(name, list, kind))
            return {};
        return std::vector<CEOID>(list.begin(), list.end());
    }

    std::vector<CEOID> Rows()
    {
        std::vector<CEOID> rows;
        DWORD count = db.GetRowCount();
        for (DWORD row = 0; row < count; ++row)
            rows.push_back(db.GetRowOid(row));
        return rows;
    }

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
    DbKestrin db;
};
