#pragma once
// Shared pieces of the object store tests: a fixture with a fresh store in a
// temporary data folder, one with a database open in it as well, a property
// of each value type, and small builders for property values.

#include "CeDatabase.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Asks `seen` again until it holds (true) or ten seconds pass (false). A
// handle sees what another connection committed once its read snapshot is
// renewed, which takes a moment that a loaded machine may stretch: wait for
// the change itself instead of a fixed time.
template <typename Condition> bool Eventually(Condition seen)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!seen()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ObjectStore::Open(home.file("objects.db"))) << ObjectStore::LastOpenError();
    }
    void TearDown() override { ObjectStore::Close(); }

    // Creates a database and opens it in the order of `sortProp` (0 = OID).
    HANDLE CreateAndOpen(
        const char16_t* name, std::vector<SORTORDERSPEC> sorts, CEPROPID sortProp = 0, HWND notify = nullptr)
    {
        EXPECT_NE(0u, CeCreateDatabase(name, 1, static_cast<WORD>(sorts.size()), sorts.data()));
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, name, sortProp, 0, notify);
        EXPECT_NE(INVALID_HANDLE_VALUE, h);
        return h;
    }

    TempHome home;
};

// A fresh store with one database created and open in a given order for each
// test; the handle `h` is closed after the test.
class OneDatabaseTest : public StoreTest {
protected:
    OneDatabaseTest(const char16_t* name, std::vector<SORTORDERSPEC> sorts, CEPROPID sortProp = 0)
        : name_(name)
        , sorts_(std::move(sorts))
        , sortProp_(sortProp)
    {
    }
    void SetUp() override
    {
        StoreTest::SetUp();
        if (!HasFatalFailure())
            h = CreateAndOpen(name_, sorts_, sortProp_);
    }
    void TearDown() override
    {
        CloseHandle(h);
        StoreTest::TearDown();
    }

    HANDLE h = nullptr;

private:
    const char16_t* name_;
    std::vector<SORTORDERSPEC> sorts_;
    CEPROPID sortProp_;
};

// One property of each of the nine value types, numbered 1 to 9 in this order.
constexpr CEPROPID kI2 = MakePropID(1, CEVT_I2);
constexpr CEPROPID kUI2 = MakePropID(2, CEVT_UI2);
constexpr CEPROPID kI4 = MakePropID(3, CEVT_I4);
constexpr CEPROPID kUI4 = MakePropID(4, CEVT_UI4);
constexpr CEPROPID kBool = MakePropID(5, CEVT_BOOL);
constexpr CEPROPID kR8 = MakePropID(6, CEVT_R8);
constexpr CEPROPID kText = MakePropID(7, CEVT_LPWSTR);
constexpr CEPROPID kTime = MakePropID(8, CEVT_FILETIME);
constexpr CEPROPID kBlob = MakePropID(9, CEVT_BLOB);

inline CEPROPVAL TextValue(CEPROPID id, const char16_t* text)
{
    CEPROPVAL v {};
    v.propid = id;
    v.val.lpwstr = const_cast<LPWSTR>(text);
    return v;
}

inline CEPROPVAL LongValue(CEPROPID id, LONG value)
{
    CEPROPVAL v {};
    v.propid = id;
    v.val.lVal = value;
    return v;
}

inline CEPROPVAL ShortValue(CEPROPID id, SHORT value)
{
    CEPROPVAL v {};
    v.propid = id;
    v.val.iVal = value;
    return v;
}

inline CEOID WriteOne(HANDLE h, const CEPROPVAL& value, CEOID oid = 0)
{
    return CeWriteRecordProps(h, oid, 1, &value);
}

// Reads all properties of the record under the cursor; the returned values
// are copied out, the service's buffer is freed.
struct ReadResult {
    CEOID oid = 0;
    DWORD error = 0;
    std::vector<CEPROPVAL> values;
    std::vector<std::u16string> texts; // text of each value ("" for non-texts)
    std::vector<std::vector<BYTE>> blobs; // bytes of each blob value (empty for others)
};

inline ReadResult ReadAll(HANDLE h, std::vector<CEPROPID> ids = { 0 })
{
    ReadResult r;
    WORD count = ids.size() == 1 && ids[0] == 0 ? 0 : static_cast<WORD>(ids.size());
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    SetLastError(0);
    r.oid = CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, ids.data(), &buffer, &size);
    r.error = GetLastError();
    if (r.oid) {
        const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        for (WORD i = 0; i < count; ++i) {
            r.values.push_back(values[i]);
            const bool text
                = TypeFromPropID(values[i].propid) == CEVT_LPWSTR && !(values[i].wFlags & CEDB_PROPNOTFOUND);
            const bool blob
                = TypeFromPropID(values[i].propid) == CEVT_BLOB && !(values[i].wFlags & CEDB_PROPNOTFOUND);
            r.texts.push_back(text ? std::u16string(values[i].val.lpwstr) : std::u16string());
            r.blobs.emplace_back();
            if (blob)
                r.blobs.back().assign(
                    values[i].val.blob.lpb, values[i].val.blob.lpb + values[i].val.blob.dwCount);
            if (text || blob)
                r.values.back().val.blob = {}; // pointed into the freed buffer
        }
    }
    LocalFree(buffer);
    return r;
}

inline CEOID Seek(HANDLE h, DWORD type, DWORD_PTR value = 0, DWORD* index = nullptr)
{
    return CeSeekDatabase(h, type, value, index);
}

// The OIDs of all records in the handle's current order.
inline std::vector<CEOID> Walk(HANDLE h)
{
    std::vector<CEOID> oids;
    for (CEOID oid = Seek(h, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(h, CEDB_SEEK_CURRENT, 1))
        oids.push_back(oid);
    return oids;
}
