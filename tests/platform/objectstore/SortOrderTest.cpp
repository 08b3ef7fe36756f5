// Sort orders: direction, case, Unicode text, records without the property,
// changing the orders of a database, and OIDs that are never given out twice.

#include "StoreTestSupport.h"

namespace {

std::vector<std::u16string> TextsInOrder(HANDLE h)
{
    std::vector<std::u16string> texts;
    for (CEOID oid = Seek(h, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(h, CEDB_SEEK_CURRENT, 1)) {
        const ReadResult r = ReadAll(h, { kText });
        texts.push_back(r.values[0].wFlags & CEDB_PROPNOTFOUND ? u"<none>" : r.texts[0]);
    }
    return texts;
}

TEST_F(StoreTest, TextOrdersCompareWholeUnicodeTextWithOrWithoutCase)
{
    const SORTORDERSPEC sorts[] = { { kText, 0 }, { kI2, 0 } };
    ASSERT_NE(0u, CeCreateDatabase(u"Texts", 0, 2, sorts));
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Texts", kText, 0, nullptr);
    for (const char16_t* text :
        { u"beta", u"Alpha", u"ÉCOLE", u"alpha", u"école", u"Straße", u"Zulu", u"", u"ab" })
        ASSERT_NE(0u, WriteOne(h, TextValue(kText, text)));
    ASSERT_NE(0u, WriteOne(h, ShortValue(kI2, 1))); // no text at all

    // Case-sensitive: by code point; missing first, then the empty text.
    EXPECT_EQ((std::vector<std::u16string> { u"<none>", u"", u"Alpha", u"Straße", u"Zulu", u"ab", u"alpha",
                  u"beta", u"ÉCOLE", u"école" }),
        TextsInOrder(h));
    CloseHandle(h);

    // Case-insensitive and descending: case is folded across the whole text
    // (É/é, ß), folded-equal texts keep creation order, missing still first.
    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDSORTSPEC;
    change.wNumSortOrder = 1;
    change.rgSortSpecs[0] = { kText, CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_DESCENDING };
    ASSERT_TRUE(CeSetDatabaseInfo(db, &change));
    h = CeOpenDatabase(&db, u"Texts", kText, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ((std::vector<std::u16string> { u"<none>", u"ÉCOLE", u"école", u"Zulu", u"Straße", u"beta",
                  u"Alpha", u"alpha", u"ab", u"" }),
        TextsInOrder(h));

    // Value seeks follow the same comparison.
    const CEPROPVAL wanted = TextValue(kText, u"ALPHA");
    EXPECT_NE(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&wanted)));
    EXPECT_EQ(u"Alpha", ReadAll(h, { kText }).texts[0]);
    EXPECT_NE(0u, Seek(h, CEDB_SEEK_VALUENEXTEQUAL, DWORD_PTR(&wanted)));
    EXPECT_EQ(u"alpha", ReadAll(h, { kText }).texts[0]);
    // Case is folded one character at a time, as ZString compares texts
    // ignoring case (the filter, find and the relation index): ß matches ß
    // and capital ẞ, never the two letters "SS", so a seek finds exactly the
    // texts the rest of the program calls equal.
    const CEPROPVAL strasse = TextValue(kText, u"STRASSE");
    EXPECT_EQ(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&strasse)));
    for (const char16_t* same : { u"STRAßE", u"STRAẞE", u"straße" }) {
        const CEPROPVAL wanted = TextValue(kText, same);
        EXPECT_NE(0u, Seek(h, CEDB_SEEK_VALUEFIRSTEQUAL, DWORD_PTR(&wanted)));
        EXPECT_EQ(u"Straße", ReadAll(h, { kText }).texts[0]);
    }
    CloseHandle(h);

    // The old order is gone.
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&db, u"Texts", kI2, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(StoreTest, NumbersTimesAndBlobsSortByValueInBothDirections)
{
    HANDLE h = CreateAndOpen(
        u"Values", { { kI2, 0 }, { kTime, CEDB_SORT_DESCENDING }, { kR8, 0 }, { kBlob, 0 } }, kI2);
    const SHORT numbers[] = { 5, -3, 32767, 0, -32768 };
    const double reals[] = { 0.5, -2.0, 1e300, -0.0, -1e-300 };
    const DWORD highs[] = { 1, 0x80000000, 7, 0, 3 };
    std::vector<std::vector<BYTE>> blobs = { { 1, 0 }, { 1 }, { 0xFF }, {}, { 1, 0, 0 } };
    std::vector<CEOID> oids;
    for (int i = 0; i < 5; ++i) {
        CEPROPVAL v[4] = { ShortValue(kI2, numbers[i]) };
        v[1].propid = kTime, v[1].val.filetime = { 0, highs[i] };
        v[2].propid = kR8, v[2].val.dblVal = reals[i];
        v[3].propid = kBlob, v[3].val.blob = { DWORD(blobs[i].size()), blobs[i].data() };
        oids.push_back(CeWriteRecordProps(h, 0, 4, v));
    }
    EXPECT_EQ((std::vector<CEOID> { oids[4], oids[1], oids[3], oids[0], oids[2] }), Walk(h));
    CloseHandle(h);
    CEOID db = 0;
    h = CeOpenDatabase(&db, u"Values", kTime, 0, nullptr);
    EXPECT_EQ((std::vector<CEOID> { oids[1], oids[2], oids[4], oids[0], oids[3] }), Walk(h));
    CloseHandle(h);
    h = CeOpenDatabase(&db, u"Values", kR8, 0, nullptr);
    EXPECT_EQ((std::vector<CEOID> { oids[1], oids[4], oids[3], oids[0], oids[2] }), Walk(h));
    CloseHandle(h);
    h = CeOpenDatabase(&db, u"Values", kBlob, 0, nullptr);
    EXPECT_EQ((std::vector<CEOID> { oids[3], oids[1], oids[0], oids[4], oids[2] }), Walk(h));
    CloseHandle(h);
}

TEST_F(StoreTest, SortChangeIsRefusedWhileAnyHandleIsOpen)
{
    HANDLE h = CreateAndOpen(u"Busy", { { kI2, 0 } }, kI2);
    for (SHORT n : { 3, 1, 2 })
        WriteOne(h, ShortValue(kI2, n));
    CEOID db = 0;
    HANDLE second = CeOpenDatabase(&db, u"Busy", 0, 0, nullptr);
    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDSORTSPEC;
    change.wNumSortOrder = 1;
    change.rgSortSpecs[0] = { kI2, CEDB_SORT_DESCENDING };
    SetLastError(0);
    EXPECT_FALSE(CeSetDatabaseInfo(db, &change));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    CloseHandle(h);
    EXPECT_FALSE(CeSetDatabaseInfo(db, &change));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    CloseHandle(second);
    ASSERT_TRUE(CeSetDatabaseInfo(db, &change));

    h = CeOpenDatabase(&db, u"Busy", kI2, 0, nullptr);
    std::vector<SHORT> numbers;
    for (CEOID oid = Seek(h, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(h, CEDB_SEEK_CURRENT, 1))
        numbers.push_back(ReadAll(h).values[0].val.iVal);
    EXPECT_EQ((std::vector<SHORT> { 3, 2, 1 }), numbers);
    CloseHandle(h);

    // Bad specifications change nothing.
    change.wNumSortOrder = 5;
    EXPECT_FALSE(CeSetDatabaseInfo(db, &change));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(StoreTest, OidsAreNeverReusedEvenAcrossReopening)
{
    HANDLE h = CreateAndOpen(u"Oids", {});
    std::vector<CEOID> seen;
    for (int i = 0; i < 5; ++i)
        seen.push_back(WriteOne(h, ShortValue(kI2, 1)));
    CEOID db = 0;
    CEOIDINFO info {};
    CeOidGetInfo(seen[0], &info);
    db = info.infRecord.oidParent;
    seen.push_back(db);
    for (CEOID oid : std::vector<CEOID>(seen.begin(), seen.end() - 1))
        ASSERT_TRUE(CeDeleteRecord(h, oid));
    CloseHandle(h);
    ASSERT_TRUE(CeDeleteDatabase(db));

    ObjectStore::Close();
    ASSERT_TRUE(ObjectStore::Open(home.file("objects.db")));
    h = CreateAndOpen(u"Oids", {});
    CeOidGetInfo(WriteOne(h, ShortValue(kI2, 1)), &info);
    seen.push_back(info.infRecord.oidParent);
    for (int i = 0; i < 5; ++i)
        seen.push_back(WriteOne(h, ShortValue(kI2, 2)));
    std::vector<CEOID> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted.end(), std::adjacent_find(sorted.begin(), sorted.end()));
    EXPECT_EQ(sorted.end(), std::find(sorted.begin(), sorted.end(), 0u));
    CloseHandle(h);
}

} // namespace
