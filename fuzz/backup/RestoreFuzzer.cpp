// Arbitrary bytes as the records of a version-1 backup (everything after
// magic and version), restored into a journal. Each input runs inside a
// store transaction that is rolled back afterwards, so every input meets
// the same empty journal without the cost of a new store.

#include "DbKestrin.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
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
    return 0;
}
