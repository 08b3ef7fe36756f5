// Arbitrary bytes as the records of a version-1 backup (everything after
// magic and version), restored into a journal. Each input is restored twice:
// as it is, and behind one well-formed record whose texts, lists, note and
// stored OID are taken from the input, so the writing side (new entries,
// refreshed entries, relation index, categories) is reached as well as the
// decoder. Each input runs inside a store transaction that is rolled back
// afterwards, so every input meets the same journal without the cost of a
// new store.

#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class SilentUiHooks : public UiHooks {
public:
    int MessageBox(HWND, std::u16string_view, std::u16string_view, UINT type) override
    {
        return MessageBoxDefaultAnswer(type);
    }
    void SetWaitCursor(bool) override { }
    void Trace(std::u16string_view) override { }
    BOOL PlaySound(std::u16string_view, DWORD) override { return 0; }
};

SilentUiHooks g_hooks;
DbKestrin* g_journal = nullptr;
// Entries every input finds in the journal, so restores can refresh.
std::vector<CEOID> g_existing;

void Put32(std::vector<BYTE>& out, DWORD value)
{
    for (int b = 0; b < 4; ++b)
        out.push_back(static_cast<BYTE>(value >> (8 * b)));
}

void PutBytes(std::vector<BYTE>& out, const BYTE* bytes, std::size_t size)
{
    Put32(out, static_cast<DWORD>(size));
    out.insert(out.end(), bytes, bytes + size);
}

// Up to three names cut from the input at zero bytes.
std::vector<ZString> Names(const std::uint8_t* data, std::size_t size)
{
    std::vector<ZString> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size && names.size() < 3; ++i)
        if (i == size || data[i] == 0) {
            ZString name;
            name.AssignAnsi(reinterpret_cast<const char*>(data + start), i - start);
            if (!name.IsEmpty())
                names.push_back(name);
            start = i + 1;
        }
    return names;
}

// One well-formed record made from the input, then the input itself.
std::vector<BYTE> Guided(const std::uint8_t* data, std::size_t size)
{
    std::vector<BYTE> out = { 2, 0 }; // the header's count
    DWORD storedOid = 0;
    for (std::size_t i = 0; i < 4 && i < size; ++i)
        storedOid |= static_cast<DWORD>(data[i]) << (8 * i);
    // Odd: an entry that exists (refreshed); even: any other OID.
    Put32(out, storedOid % 2 == 1 ? g_existing[storedOid / 2 % g_existing.size()] : storedOid);
    std::vector<ZString> names = Names(data, size);
    PackedListWriter categories;
    PackedListWriter contacts;
    for (const ZString& name : names) {
        categories.AddCategory(0, name);
        contacts.AddContact(storedOid, name, name);
    }
    SHORT small = size != 0 ? static_cast<SHORT>(static_cast<signed char>(data[0])) : -1;
    Put32(out, PROPID_SUBJECT);
    PutBytes(out, data, size);
    Put32(out, PROPID_DATE);
    Put32(out, storedOid);
    Put32(out, size > 4 ? data[4] : 0x01D00000);
    Put32(out, PROPID_TYPE);
    out.push_back(static_cast<BYTE>(small));
    out.push_back(static_cast<BYTE>(small >> 8));
    Put32(out, PROPID_COMPANY);
    PutBytes(out, data, size / 2);
    Put32(out, PROPID_CATEGORIES);
    PutBytes(out, categories.Bytes().data(), categories.Bytes().size());
    Put32(out, PROPID_CONTACTS);
    PutBytes(out, contacts.Bytes().data(), contacts.Bytes().size());
    Put32(out, PROPID_ATTACHMENT);
    PutBytes(out, nullptr, 0);
    Put32(out, PROPID_DURATION);
    Put32(out, 0);
    Put32(out, 0);
    for (CEPROPID id : { PROPID_SENSITIVITY, PROPID_PRIORITY }) {
        Put32(out, id);
        out.push_back(static_cast<BYTE>(small));
        out.push_back(0);
    }
    Put32(out, PROPID_NOTE);
    PutBytes(out, data, size);
    out.insert(out.end(), data, data + size);
    return out;
}

void RestoreOnce(const BYTE* data, std::size_t size)
{
    ObjectStoreTransaction scratch;
    {
        ZStream stream;
        if (size != 0) {
            auto* copy = static_cast<BYTE*>(LocalAlloc(LPTR, size));
            std::memcpy(copy, data, size);
            stream.Attach(copy, static_cast<DWORD>(size));
        }
        ZBackup backup(g_journal, nullptr);
        DWORD restored = backup.RestoreVersion01(stream, nullptr);
        const RestoreCounts& counts = backup.LastRestore();
        if (restored != counts.refreshed + counts.reinserted)
            std::abort();
    }
    scratch.Rollback();
    g_journal->InvalidateRows();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string home = (std::filesystem::temp_directory_path() / "kestrin-fuzz-restore-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr)
        std::abort();
    ::setenv("KESTRIN_HOME", home.c_str(), 1);
    InstallUiHooks(&g_hooks);
    if (!ObjectStore::OpenDefault())
        std::abort();
    g_journal = new DbKestrin();
    if (!g_journal->Open(nullptr))
        std::abort();
    for (const WCHAR* subject : { u"one", u"two", u"three" }) {
        ZJITEMS set;
        DbTmp::Initialize(&set);
        set.GetItem(PROPID_SUBJECT)->SetStrValue(subject);
        PackedListWriter categories;
        categories.AddCategory(0, subject);
        categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
        g_existing.push_back(g_journal->Write(0, &set));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RestoreOnce(data, size);
    std::vector<BYTE> guided = Guided(data, size);
    RestoreOnce(guided.data(), guided.size());
    return 0;
}
