#pragma once
// One registry file: the SQLite connection and the operations on keys, which
// are identified by their row id (never reused, so a handle on a deleted key
// stays recognisable). Each operation is one transaction; writes take the
// file's write lock at once so that two processes never deadlock upgrading.
// Thread-safe: one lock serialises the operations of the process.

#include "KeyNames.h"
#include "WinTypes.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

struct RegStoredValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

class RegistryDb {
public:
    using KeyId = std::int64_t;
    static constexpr KeyId kCurrentUserRoot = 1;
    static constexpr KeyId kLocalMachineRoot = 2;

    // Opens (creating when absent or empty) the registry file at `file`.
    // A file that is damaged, not SQLite or another program's database gives
    // ERROR_BADDB and is not changed.
    static LONG Open(const std::filesystem::path& file, std::shared_ptr<RegistryDb>& db);

    ~RegistryDb();
    RegistryDb(const RegistryDb&) = delete;
    RegistryDb& operator=(const RegistryDb&) = delete;

    const std::filesystem::path& File() const { return file_; }

    // Every operation on a key that no longer exists gives ERROR_KEY_DELETED.
    LONG CheckKey(KeyId key);
    LONG FindKey(KeyId from, const RegKeyPath& steps, KeyId& found);
    LONG CreateKey(KeyId from, const RegKeyPath& steps, KeyId& found, bool& created);
    // Removes the key at steps (at least one) with everything below it.
    LONG DeleteKey(KeyId from, const RegKeyPath& steps);

    LONG QueryValue(KeyId key, const RegName& name, RegStoredValue& value);
    LONG SetValue(KeyId key, const RegName& name, DWORD type, const BYTE* data, DWORD bytes);
    LONG DeleteValue(KeyId key, const RegName& name);

    // ERROR_NO_MORE_ITEMS past the end.
    LONG EnumKey(KeyId key, DWORD index, std::u16string& name, std::int64_t& lastWrite);
    LONG EnumValue(KeyId key, DWORD index, std::u16string& name, RegStoredValue& value);

private:
    RegistryDb(sqlite3* connection, std::filesystem::path file);

    // Runs `work` in one transaction under the lock; commits only on success.
    template <typename Work> LONG InTransaction(bool write, Work&& work);
    // As InTransaction, after checking that `key` still exists.
    template <typename Work> LONG OnKey(KeyId key, bool write, Work&& work);

    LONG KeyExists(KeyId key);
    LONG FindChild(KeyId parent, const RegName& step, KeyId& child);
    LONG Walk(KeyId from, const RegKeyPath& steps, KeyId& found);
    LONG Touch(KeyId key);

    sqlite3* connection_;
    std::filesystem::path file_;
    std::mutex lock_;
};
