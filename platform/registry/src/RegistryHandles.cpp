#include "RegistryHandles.h"

#include "DataFolder.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

constexpr const char* kFileName = "registry.db";

struct HandleTable {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, RegOpenKey> open;
    // Even numbers only, so that no handle ever equals a predefined root.
    std::uintptr_t next = 0x10000;
    std::shared_ptr<RegistryDb> current;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

std::uintptr_t Number(HKEY key)
{
    return reinterpret_cast<std::uintptr_t>(key);
}

// The store of the current data folder, reopened when the folder changed.
// Failures are not remembered: the next call tries again.
LONG CurrentStore(HandleTable& table, std::shared_ptr<RegistryDb>& db)
{
    const std::filesystem::path file = RegistryFilePath();
    if (!table.current || table.current->File() != file) {
        std::shared_ptr<RegistryDb> opened;
        const LONG result = RegistryDb::Open(file, opened);
        if (result != ERROR_SUCCESS)
            return result;
        table.current = std::move(opened);
    }
    db = table.current;
    return ERROR_SUCCESS;
}

} // namespace

std::string RegistryFilePath()
{
    return (DataFolder() / kFileName).string();
}

LONG ResolveRegHandle(HKEY key, RegOpenKey& open)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        open.id = key == HKEY_CURRENT_USER ? RegistryDb::kCurrentUserRoot : RegistryDb::kLocalMachineRoot;
        return CurrentStore(table, open.db);
    }
    const auto found = table.open.find(Number(key));
    if (found == table.open.end())
        return ERROR_INVALID_HANDLE;
    open = found->second;
    return ERROR_SUCCESS;
}

HKEY AddRegHandle(RegOpenKey open)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const std::uintptr_t number = table.next;
    table.next += 2;
    table.open.emplace(number, std::move(open));
    return reinterpret_cast<HKEY>(number);
}

bool RemoveRegHandle(HKEY key)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    return table.open.erase(Number(key)) == 1;
}
