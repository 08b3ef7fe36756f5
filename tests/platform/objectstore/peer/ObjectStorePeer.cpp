// A second process on a store, driven by the multi-process tests.
//
//   objectstore_peer <store> hold <database>
//       opens the database, prints "open", keeps it open until stdin closes
//   objectstore_peer <store> write <database> <count>
//       writes <count> records (property 1 = 0..count-1), prints "done"
//   objectstore_peer <store> batch <database> <committed> <count>
//       writes <committed> records one by one, then begins a transaction,
//       writes <count> records of 1 KiB each, prints "batch" and waits
//       forever before committing: the test kills it there
//   objectstore_peer <store> write-and-exit <database> <count>
//       as write, then leaves main without closing the handle or the store
//   objectstore_peer <store> delete-first <database> <count>
//       deletes the <count> records of the lowest OIDs, prints "done"
//   objectstore_peer <store> index <database> <property id>
//       builds the full-text index of the database over that text
//       property, prints "done"
//   objectstore_peer <store> hold-write <database>
//       begins a transaction, writes one record, prints "holding", and
//       commits when stdin closes ("committed")
//
// Whenever a write waits for another process's integrity check the peer
// prints "waiting for the check", and "check over" when the wait ends.

#include "CeDatabase.h"
#include "FullTextIndex.h"
#include "LastError.h"
#include "ObjectStore.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::u16string Wide(const char* text)
{
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

CEOID WriteNumbered(HANDLE h, LONG number, std::vector<BYTE>& payload)
{
    CEPROPVAL v[2] = {};
    v[0].propid = MakePropID(1, CEVT_I4);
    v[0].val.lVal = number;
    v[1].propid = MakePropID(2, CEVT_BLOB);
    v[1].val.blob = { static_cast<DWORD>(payload.size()), payload.data() };
    return CeWriteRecordProps(h, 0, 2, v);
}

void PrintCheckWait(bool waiting)
{
    std::puts(waiting ? "waiting for the check" : "check over");
    std::fflush(stdout);
}

int Fail(const char* what)
{
    std::fprintf(stdout, "failed %s %u\n", what, GetLastError());
    std::fflush(stdout);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ObjectStore::SetCheckWaitNotice(PrintCheckWait);
    if (argc < 4 || !ObjectStore::Open(argv[1]))
        return Fail("open-store");
    const std::string command = argv[2];
    const std::u16string name = Wide(argv[3]);
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, name.c_str(), 0, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail("open-database");
    std::vector<BYTE> payload;
    if (command == "hold") {
        std::puts("open");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) { }
    } else if (command == "write" && argc == 5) {
        for (LONG i = 0; i < std::atoi(argv[4]); ++i)
            if (!WriteNumbered(h, i, payload))
                return Fail("write");
        std::puts("done");
    } else if (command == "batch" && argc == 6) {
        for (LONG i = 0; i < std::atoi(argv[4]); ++i)
            if (!WriteNumbered(h, i, payload))
                return Fail("write");
        payload.assign(1024, 0xAB);
        if (!CeBeginTransaction())
            return Fail("begin");
        for (LONG i = 0; i < std::atoi(argv[5]); ++i)
            if (!WriteNumbered(h, 1000000 + i, payload))
                return Fail("batch-write");
        std::puts("batch");
        std::fflush(stdout);
        for (;;)
            ::pause();
    } else if (command == "write-and-exit" && argc == 5) {
        for (LONG i = 0; i < std::atoi(argv[4]); ++i)
            if (!WriteNumbered(h, i, payload))
                return Fail("write");
        std::puts("done");
        return 0;
    } else if (command == "delete-first" && argc == 5) {
        for (LONG i = 0; i < std::atoi(argv[4]); ++i) {
            DWORD index = 0;
            const CEOID oid = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, &index);
            if (!oid || !CeDeleteRecord(h, oid))
                return Fail("delete");
        }
        std::puts("done");
    } else if (command == "index" && argc == 5) {
        const CEPROPID prop = static_cast<CEPROPID>(std::strtoul(argv[4], nullptr, 0));
        if (!CeBuildFullTextIndex(db, 1, &prop))
            return Fail("index");
        std::puts("done");
    } else if (command == "hold-write") {
        if (!CeBeginTransaction() || !WriteNumbered(h, 1, payload))
            return Fail("hold-write");
        std::puts("holding");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) { }
        if (!CeCommitTransaction())
            return Fail("commit");
        std::puts("committed");
    } else {
        return Fail("usage");
    }
    CloseHandle(h);
    ObjectStore::Close();
    return 0;
}
