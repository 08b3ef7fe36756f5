// Arbitrary bytes as the records of a version-1 backup (everything after
// magic and version), restored into a journal. Each input is restored twice:
// as it is, and behind one well-formed record whose texts, lists, note and
// stored OID are taken from the input, so the writing side (new entries,
// refreshed entries, relation index, categories) is reached as well as the
// decoder. Each input runs inside a store transaction that is rolled back
// afterwards, so every input meets the same journal without the cost of a
// new store. Before the rollback the journal is checked against the input:
// as many entries as re-inserted records more than before, the guided
// record's subject and categories on the entry it names (or on a new one),
// and the relation index listing every entry under its categories.

#include "DbKestrin.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZOidsProp.h"
#include "ZStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
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

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// What the guided record asks of the journal.
struct GuidedRecord {
    CEOID refreshes = 0; // the entry it names, 0 when it is re-inserted
    ZString subject;
    std::vector<ZString> categories;
};

bool SameText(const ZString& a, LPCWSTR b)
{
    return a.IsEmpty() ? (b == nullptr || *b == 0) : b != nullptr && std::u16string_view(a.Text()) == b;
}

bool Listed(const ZString& name, CEOID entry)
{
    ZOidsProp list;
    return g_journal->GetRelX().GetOidList(name, list, KIND_CATEGORY) && list.Contains(entry);
}

// The entry holds the guided record: its subject, and it is listed under
// each of its categories (under "None" when it has none).
bool Holds(CEOID entry, const GuidedRecord& record)
{
    ZJITEMS set;
    if (g_journal->Read(entry, &set, FALSE) != entry
        || !SameText(record.subject, set.GetItem(PROPID_SUBJECT)->GetStrValue()))
        return false;
    if (record.categories.empty())
        return Listed(ZString(u"None"), entry);
    return std::all_of(record.categories.begin(), record.categories.end(),
        [&](const ZString& name) { return Listed(name, entry); });
}

// One well-formed record made from the input, then the input itself.
std::vector<BYTE> Guided(const std::uint8_t* data, std::size_t size, GuidedRecord& record)
{
    std::vector<BYTE> out = { 2, 0 }; // the header's count
    DWORD storedOid = 0;
    for (std::size_t i = 0; i < 4 && i < size; ++i)
        storedOid |= static_cast<DWORD>(data[i]) << (8 * i);
    // Odd: an entry that exists (refreshed); even: the OID as the input has
    // it, which is refreshed too when it happens to name an entry.
    const bool named = std::find(g_existing.begin(), g_existing.end(), storedOid) != g_existing.end();
    record.refreshes = storedOid % 2 == 1 ? g_existing[storedOid / 2 % g_existing.size()] : named ? storedOid : 0;
    Put32(out, record.refreshes != 0 ? record.refreshes : storedOid);
    std::vector<ZString> names = Names(data, size);
    record.subject.AssignAnsi(reinterpret_cast<const char*>(data), size);
    record.categories = names;
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

// Restores `data` and checks the journal against it; `guided` (may be null)
// describes the first record when it is the well-formed one.
void RestoreOnce(const BYTE* data, std::size_t size, const GuidedRecord* guided)
{
    ObjectStoreTransaction scratch;
    const DWORD before = g_journal->GetRecordCount32();
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
        Require(restored == counts.refreshed + counts.reinserted);
        Require(g_journal->GetRecordCount32() == before + counts.reinserted);
        if (guided != nullptr && restored != 0) {
            if (guided->refreshes != 0) {
                // A later record of the input may refresh the same entry.
                Require(counts.refreshed >= 1);
                Require(Holds(guided->refreshes, *guided) || counts.read > 1);
            } else {
                Require(counts.reinserted >= 1);
                bool found = false;
                for (CEOID oid = g_journal->SeekFirst(); oid != 0 && !found; oid = g_journal->SeekNext())
                    found = std::find(g_existing.begin(), g_existing.end(), oid) == g_existing.end()
                        && Holds(oid, *guided);
                // No later record can take a new entry for one of its own.
                Require(found);
            }
        }
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
    RestoreOnce(data, size, nullptr);
    GuidedRecord record;
    std::vector<BYTE> guided = Guided(data, size, record);
    RestoreOnce(guided.data(), guided.size(), &record);
    return 0;
}
