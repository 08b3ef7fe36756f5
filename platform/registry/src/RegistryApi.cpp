// The registry calls: argument checks and buffer rules of the platform around
// the store's operations (RegistryDb) and the handle table.

#include "Registry.h"
#include "RegistryHandles.h"

#include <cstring>
#include <initializer_list>

namespace {

// Runs `work` with the store and key behind a handle, unless an argument
// check before it already failed.
template <typename Work> LONG WithKey(LONG checked, HKEY key, Work&& work)
{
    RegOpenKey open;
    const LONG result = checked == ERROR_SUCCESS ? ResolveRegHandle(key, open) : checked;
    return result == ERROR_SUCCESS ? work(*open.db, open) : result;
}

// An argument check: ERROR_INVALID_PARAMETER unless `valid`.
LONG Valid(bool valid)
{
    return valid ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

// The first failure among argument checks that were all made.
LONG FirstError(std::initializer_list<LONG> checks)
{
    for (const LONG check : checks) {
        if (check != ERROR_SUCCESS)
            return check;
    }
    return ERROR_SUCCESS;
}

// Checks a name buffer before anything is looked up.
LONG CheckNameBuffer(LPWSTR name, const DWORD* nameChars)
{
    return Valid(name && nameChars);
}

// Checks a data buffer: a buffer without a size is refused.
LONG CheckDataBuffer(const BYTE* data, const DWORD* dataBytes)
{
    return Valid(!data || dataBytes);
}

// Whether `name` and its terminating zero fit in *nameChars characters.
bool NameFits(const std::u16string& name, const DWORD* nameChars)
{
    return name.size() < *nameChars;
}

void CopyNameOut(const std::u16string& name, LPWSTR buffer, DWORD* nameChars)
{
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *nameChars = static_cast<DWORD>(name.size());
}

// Whether the value's data fits in the caller's buffer (always, without one).
bool DataFits(const RegStoredValue& value, const BYTE* data, const DWORD* dataBytes)
{
    return !data || value.data.size() <= *dataBytes;
}

// Hands out type, size and data. When the data does not fit, only type and
// size are given and the result is ERROR_MORE_DATA.
LONG CopyValueOut(const RegStoredValue& value, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    const bool fits = DataFits(value, data, dataBytes);
    if (type)
        *type = value.type;
    if (data && fits && !value.data.empty())
        std::memcpy(data, value.data.data(), value.data.size());
    if (dataBytes)
        *dataBytes = static_cast<DWORD>(value.data.size());
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

} // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result)
{
    RegKeyPath steps;
    const LONG checked = FirstError({ Valid(result), ParseKeyPath(subKey, steps) });
    return WithKey(checked, key, [&](RegistryDb& db, const RegOpenKey& open) {
        RegOpenKey opened { open.db, 0 };
        const LONG error = db.FindKey(open.id, steps, opened.id);
        if (error == ERROR_SUCCESS)
            *result = AddRegHandle(std::move(opened));
        return error;
    });
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
    PHKEY result, DWORD* disposition)
{
    RegKeyPath steps;
    const LONG checked = FirstError({ Valid(result), ParseKeyPath(subKey, steps) });
    return WithKey(checked, key, [&](RegistryDb& db, const RegOpenKey& open) {
        RegOpenKey opened { open.db, 0 };
        bool created = false;
        const LONG error = db.CreateKey(open.id, steps, opened.id, created);
        if (error != ERROR_SUCCESS)
            return error;
        *result = AddRegHandle(std::move(opened));
        if (disposition)
            *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return RemoveRegHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    RegName parsed;
    const LONG checked
        = FirstError({ Valid(!reserved), CheckDataBuffer(data, dataBytes), ParseValueName(name, parsed) });
    return WithKey(checked, key, [&](RegistryDb& db, const RegOpenKey& open) {
        RegStoredValue value;
        const LONG error = db.QueryValue(open.id, parsed, value);
        return error == ERROR_SUCCESS ? CopyValueOut(value, type, data, dataBytes) : error;
    });
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD dataBytes)
{
    RegName parsed;
    const bool dataValid = (data || dataBytes == 0) && dataBytes <= kMaxValueBytes;
    const LONG checked = FirstError({ Valid(dataValid), ParseValueName(name, parsed) });
    return WithKey(checked, key, [&](RegistryDb& db, const RegOpenKey& open) {
        return db.SetValue(open.id, parsed, type, data, dataBytes);
    });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name)
{
    RegName parsed;
    return WithKey(ParseValueName(name, parsed), key,
        [&](RegistryDb& db, const RegOpenKey& open) { return db.DeleteValue(open.id, parsed); });
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey)
{
    RegKeyPath steps;
    return WithKey(ParseKeyPath(subKey, steps), key,
        [&](RegistryDb& db, const RegOpenKey& open) { return db.DeleteKey(open.id, steps); });
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameChars, DWORD*, LPWSTR keyClass,
    DWORD* classChars, FILETIME* lastWrite)
{
    return WithKey(CheckNameBuffer(name, nameChars), key, [&](RegistryDb& db, const RegOpenKey& open) {
        std::u16string found;
        std::int64_t written = 0;
        const LONG error = db.EnumKey(open.id, index, found, written);
        if (error != ERROR_SUCCESS)
            return error;
        if (!NameFits(found, nameChars))
            return static_cast<LONG>(ERROR_MORE_DATA);
        CopyNameOut(found, name, nameChars);
        if (keyClass && classChars && *classChars)
            keyClass[0] = 0;
        if (classChars)
            *classChars = 0;
        if (lastWrite)
            *lastWrite = FILETIME { static_cast<DWORD>(written), static_cast<DWORD>(written >> 32) };
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

LONG RegEnumValueW(
    HKEY key, DWORD index, LPWSTR name, DWORD* nameChars, DWORD*, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    const LONG checked = FirstError({ CheckNameBuffer(name, nameChars), CheckDataBuffer(data, dataBytes) });
    return WithKey(checked, key, [&](RegistryDb& db, const RegOpenKey& open) {
        std::u16string found;
        RegStoredValue value;
        const LONG error = db.EnumValue(open.id, index, found, value);
        if (error != ERROR_SUCCESS)
            return error;
        // Nothing is handed out unless both name and data fit.
        if (!NameFits(found, nameChars)) {
            if (dataBytes)
                *dataBytes = static_cast<DWORD>(value.data.size());
            return static_cast<LONG>(ERROR_MORE_DATA);
        }
        if (!DataFits(value, data, dataBytes))
            return CopyValueOut(value, type, data, dataBytes);
        CopyNameOut(found, name, nameChars);
        return CopyValueOut(value, type, data, dataBytes);
    });
}
