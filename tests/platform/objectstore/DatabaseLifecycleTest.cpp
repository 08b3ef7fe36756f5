// Creating, opening, deleting and describing databases, with the error
// numbers callers depend on.

#include "StoreTestSupport.h"

namespace {

constexpr CEPROPID kName = MakePropID(1, CEVT_LPWSTR);
constexpr CEPROPID kNumber = MakePropID(2, CEVT_I4);

TEST_F(StoreTest, CreateOpenAndDeleteByNameReportTheServiceErrors)
{
    const SORTORDERSPEC sorts[] = { { kName, CEDB_SORT_CASEINSENSITIVE }, { kNumber, 0 } };
    const CEOID db = CeCreateDatabase(u"Journal", 22437, 2, sorts);
    ASSERT_NE(0u, db);

    // Names ignore case, as on the device: a second "JOURNAL" is a duplicate.
    EXPECT_EQ(0u, CeCreateDatabase(u"JOURNAL", 1, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_DUP_NAME), GetLastError());

    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, u"journal", kNumber, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(db, oid);
    // Without a name the OID names the database.
    CEOID byOid = db;
    HANDLE second = CeOpenDatabase(&byOid, nullptr, kName, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, second);
    EXPECT_TRUE(CloseHandle(second));

    // A sort property that is not one of the sort orders: 87, the probe that
    // the journal relies on to find its current order.
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, u"Journal", MakePropID(3, CEVT_I2), 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    // A missing database: 2, the existence probe.
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, u"Nothing", 0, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());

    // Deleting an open database is refused; closed, it goes with its records.
    ASSERT_NE(0u, WriteOne(h, LongValue(kNumber, 5)));
    EXPECT_FALSE(CeDeleteDatabase(db));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CeDeleteDatabase(db));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, u"Journal", 0, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CeDeleteDatabase(db));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(StoreTest, BadArgumentsAreRefusedWithInvalidParameter)
{
    const SORTORDERSPEC five[5] = { { kName, 0 }, { kNumber, 0 }, { MakePropID(3, CEVT_I2), 0 },
        { MakePropID(4, CEVT_I2), 0 }, { MakePropID(5, CEVT_I2), 0 } };
    const SORTORDERSPEC badType[] = { { MakePropID(1, 99), 0 } };
    const SORTORDERSPEC twice[] = { { kName, 0 }, { kName, CEDB_SORT_DESCENDING } };
    const std::u16string tooLong(CEDB_MAXDBASENAMELEN, u'x');
    for (auto create : { +[] { return CeCreateDatabase(u"Five", 0, 5, nullptr); },
             +[] { return CeCreateDatabase(nullptr, 0, 0, nullptr); },
             +[] { return CeCreateDatabase(u"", 0, 0, nullptr); } }) {
        SetLastError(0);
        EXPECT_EQ(0u, create());
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    }
    EXPECT_EQ(0u, CeCreateDatabase(u"Five", 0, 5, five));
    EXPECT_EQ(0u, CeCreateDatabase(u"Bad", 0, 1, badType));
    EXPECT_EQ(0u, CeCreateDatabase(u"Twice", 0, 2, twice));
    EXPECT_EQ(0u, CeCreateDatabase(tooLong.c_str(), 0, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    // 31 units is the longest name.
    EXPECT_NE(0u, CeCreateDatabase(tooLong.substr(1).c_str(), 0, 0, nullptr));

    EXPECT_EQ(0u, CeSeekDatabase(nullptr, CEDB_SEEK_BEGINNING, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(StoreTest, OidInfoDescribesDatabasesAndRecords)
{
    const SORTORDERSPEC sorts[] = { { kName, CEDB_SORT_DESCENDING } };
    HANDLE h = CreateAndOpen(u"Info", { sorts[0] }, kName);
    const CEOID record = WriteOne(h, TextValue(kName, u"abc"));
    ASSERT_NE(0u, record);

    CEOIDINFO info {};
    ASSERT_TRUE(CeOidGetInfo(record, &info));
    EXPECT_EQ(OBJTYPE_RECORD, info.wObjType);
    const CEOID db = info.infRecord.oidParent;

    ASSERT_TRUE(CeOidGetInfo(db, &info));
    EXPECT_EQ(OBJTYPE_DATABASE, info.wObjType);
    const CEDBASEINFO& d = info.infDatabase;
    EXPECT_EQ(std::u16string(u"Info"), std::u16string(d.szDbaseName));
    EXPECT_EQ(1u, d.dwDbaseType);
    EXPECT_EQ(1u, d.wNumRecords);
    EXPECT_EQ(1u, d.wNumSortOrder);
    EXPECT_EQ(kName, d.rgSortSpecs[0].propid);
    EXPECT_EQ(DWORD(CEDB_SORT_DESCENDING), d.rgSortSpecs[0].dwFlags);
    EXPECT_GT(d.dwSize, 0u);
    EXPECT_NE(0u, d.ftLastModified.dwHighDateTime);
    EXPECT_EQ(1u, CeGetRecordCount(h));

    // A deleted record is reported as deleted; an OID never given out is not.
    ASSERT_TRUE(CeDeleteRecord(h, record));
    EXPECT_FALSE(CeOidGetInfo(record, &info));
    EXPECT_EQ(DWORD(ERROR_KEY_DELETED), GetLastError());
    EXPECT_FALSE(CeOidGetInfo(0xFFFFFF00, &info));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    CloseHandle(h);
}

TEST_F(StoreTest, RenameAndRetypeKeepRecords)
{
    HANDLE h = CreateAndOpen(u"Old", {});
    ASSERT_NE(0u, WriteOne(h, LongValue(kNumber, 1)));
    CEOID db = 0;
    CloseHandle(h);
    ASSERT_NE(INVALID_HANDLE_VALUE, h = CeOpenDatabase(&db, u"Old", 0, 0, nullptr));
    CloseHandle(h);
    ASSERT_NE(0u, CeCreateDatabase(u"Taken", 0, 0, nullptr));

    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    std::u16string(u"Taken").copy(change.szDbaseName, 5);
    EXPECT_FALSE(CeSetDatabaseInfo(db, &change));
    EXPECT_EQ(DWORD(ERROR_DUP_NAME), GetLastError());
    std::u16string(u"New  ").copy(change.szDbaseName, 5);
    change.szDbaseName[3] = 0;
    change.dwDbaseType = 77;
    ASSERT_TRUE(CeSetDatabaseInfo(db, &change));

    CEOIDINFO info {};
    ASSERT_TRUE(CeOidGetInfo(db, &info));
    EXPECT_EQ(std::u16string(u"New"), std::u16string(info.infDatabase.szDbaseName));
    EXPECT_EQ(77u, info.infDatabase.dwDbaseType);
    EXPECT_EQ(1u, info.infDatabase.wNumRecords);
}

TEST_F(StoreTest, NewStoreHoldsTheSharedCategoriesDatabase)
{
    constexpr CEPROPID kCategoryName = 0x4001001F;
    constexpr CEPROPID kCategoryIndex = 0x40020002;
    constexpr CEPROPID kVisible = 0x40030002;
    CEOID db = 0;
    HANDLE byName = CeOpenDatabase(&db, u"\\categories database", kCategoryName, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, byName);
    HANDLE byIndex = CeOpenDatabase(&db, u"\\Categories Database", kCategoryIndex, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, byIndex);

    // Sorted by name, case-insensitively; every category visible, indices
    // 0..n-1 without gaps.
    std::vector<std::u16string> names;
    for (CEOID oid = Seek(byName, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(byName, CEDB_SEEK_CURRENT, 1)) {
        const ReadResult r = ReadAll(byName, { kCategoryName, kVisible });
        ASSERT_EQ(oid, r.oid);
        names.push_back(r.texts[0]);
        EXPECT_EQ(1, r.values[1].val.iVal);
    }
    ASSERT_GE(names.size(), 5u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), u"Business"));
    SHORT expected = 0;
    for (CEOID oid = Seek(byIndex, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(byIndex, CEDB_SEEK_CURRENT, 1))
        EXPECT_EQ(expected++, ReadAll(byIndex, { kCategoryIndex }).values[0].val.iVal);
    EXPECT_EQ(names.size(), size_t(expected));
    CloseHandle(byName);
    CloseHandle(byIndex);

    // Reopening the store does not provision it twice.
    ObjectStore::Close();
    ASSERT_TRUE(ObjectStore::Open(home.file("objects.db")));
    byName = CeOpenDatabase(&db, u"\\Categories Database", 0, 0, nullptr);
    EXPECT_EQ(DWORD(names.size()), CeGetRecordCount(byName));
    CloseHandle(byName);
}

TEST(ObjectStoreDefault, FirstCallOpensTheStoreOfTheDataFolder)
{
    TempHome home;
    ObjectStore::Close();
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"\\Categories Database", 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(home.file("objects.db"), ObjectStore::CurrentPath());
    CloseHandle(h);
    {
        // Another data folder (the next test) gets its own store.
        TempHome other;
        ASSERT_NE(0u, CeCreateDatabase(u"Only here", 0, 0, nullptr));
        EXPECT_EQ(other.file("objects.db"), ObjectStore::CurrentPath());
        ObjectStore::Close();
    }
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&db, u"Only here", 0, 0, nullptr));
    ObjectStore::Close();
}

} // namespace
