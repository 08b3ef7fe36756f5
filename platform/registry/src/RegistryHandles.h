#pragma once
// The table of open registry handles. A handle is a number handed out once
// and never again, so a closed or forged handle is recognised instead of
// being followed. Predefined roots resolve to the registry file of the data
// folder current at the time of the call. Thread-safe.

#include "Registry.h"
#include "RegistryDb.h"

#include <memory>

struct RegOpenKey {
    std::shared_ptr<RegistryDb> db;
    RegistryDb::KeyId id = 0;
};

// The store and key behind `key`: ERROR_INVALID_HANDLE for a handle that is
// not open, or the store's failure to open for a predefined root.
LONG ResolveRegHandle(HKEY key, RegOpenKey& open);

// Registers an opened key and returns its new handle.
HKEY AddRegHandle(RegOpenKey open);

// Forgets a handle; false when it was not open.
bool RemoveRegHandle(HKEY key);
