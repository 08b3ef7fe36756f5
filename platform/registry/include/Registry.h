#pragma once
// The registry of the platform: two trees of keys (HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE), each key holding named, typed values. Kept in one
// SQLite file, registry.db in the data folder ($KESTRIN_HOME, else
// $XDG_DATA_HOME/kestrin, else ~/.local/share/kestrin), so several processes
// share it; every call is committed at once and is visible to the others.
//
// Names of keys and values are matched ignoring case (Unicode case folding);
// a key keeps the spelling it was created with. Values are byte strings with a
// type number; the system writes REG_DWORD (4 bytes) and REG_SZ (UTF-16 with
// its terminating zero), but any type and length up to kMaxValueBytes is kept
// as given, so readers must check both type and size of what they get.
//
// Every function returns ERROR_SUCCESS (0) or a platform error code:
// ERROR_FILE_NOT_FOUND (2) for a missing key or value, ERROR_INVALID_HANDLE (6)
// for a handle that is not open, ERROR_INVALID_PARAMETER (87) for a bad
// argument or name, ERROR_MORE_DATA (234) when a buffer is too short,
// ERROR_NO_MORE_ITEMS (259) past the end of an enumeration, ERROR_KEY_DELETED
// (1018) for a handle whose key was deleted, ERROR_BADDB (1009) when the file
// is damaged or not a registry (it is then left exactly as it is),
// ERROR_REGISTRY_IO_FAILED (1016) when the disk fails, ERROR_SHARING_VIOLATION
// (32) when another process holds the file locked for more than five seconds
// and ERROR_ACCESS_DENIED (5) when the data folder or file cannot be created.
//
// A registry file that this process cannot write (read-only folder or medium,
// write-protected file, full disk) is read as it is: opening existing keys
// and reading work, writes give ERROR_ACCESS_DENIED. Opening an existing key
// with RegCreateKeyExW writes nothing. The file is created 0600.
//
// Handles: the store is chosen when a key is opened below a predefined root,
// from the data folder at that moment; an open handle keeps using its store
// even when KESTRIN_HOME changes later. Access masks are accepted and not
// enforced (the handheld ignores them too). All functions are thread-safe.

#include "WinTypes.h"

#include <string>

struct HKEY__;
// An open key. Predefined roots need no closing; every other handle is closed
// with RegCloseKey exactly once.
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

// Value types.
enum : DWORD {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

// Access rights (accepted, not enforced).
enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_NOTIFY = 0x0010,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

// Options of RegCreateKeyExW (every key is kept on disk).
enum : DWORD {
    REG_OPTION_NON_VOLATILE = 0,
};

// Dispositions reported by RegCreateKeyExW.
enum : DWORD {
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

// Limits: one key name (one step of a path) and one value name, in characters;
// the data of one value, in bytes. Longer names or data give
// ERROR_INVALID_PARAMETER.
inline constexpr DWORD kMaxKeyNameChars = 255;
inline constexpr DWORD kMaxValueNameChars = 16383;
inline constexpr DWORD kMaxValueBytes = 1024 * 1024;

// Opens the existing key at subKey below key (steps separated by
// backslashes; null or empty opens key itself again). ERROR_FILE_NOT_FOUND
// when a step is missing. *result is set only on success.
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);

// Opens subKey below key, creating every missing step. The class, options and
// security are ignored. *disposition (may be null) tells whether the last
// step was created or already there. *result is set only on success.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
    LPSECURITY_ATTRIBUTES security, PHKEY result, DWORD* disposition);

// Closes a handle. Closing a predefined root does nothing and succeeds;
// closing a handle twice gives ERROR_INVALID_HANDLE.
LONG RegCloseKey(HKEY key);

// Reads the value `name` (null or empty: the key's unnamed value).
// type (may be null) receives the value's type. With data null, *dataBytes
// receives the size and the call succeeds; with data set, *dataBytes is the
// buffer size in bytes on entry and the size of the value on return; when the
// buffer is too short the result is ERROR_MORE_DATA and the buffer is left
// untouched. No terminator is added to texts.
LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes);

// Stores dataBytes bytes from data as the value `name` of the given type,
// replacing an existing value of that name (whose spelling is then kept).
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes);

// Removes the value `name`; ERROR_FILE_NOT_FOUND when there is none.
LONG RegDeleteValueW(HKEY key, LPCWSTR name);

// Removes the key at subKey below key together with all its sub-keys and
// values (subKey must name a key: null or empty gives ERROR_INVALID_PARAMETER).
// Handles still open on a removed key then give ERROR_KEY_DELETED.
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Gives the name of the sub-key at position index (0 upward, in the order the
// keys were created). *nameChars is the capacity of name in characters on
// entry and the length without the terminating zero on return; a name that
// does not fit with its zero gives ERROR_MORE_DATA. Keys have no class:
// keyClass (may be null) receives an empty text and *classChars 0.
// lastWrite (may be null) receives the time of the key's last change.
// Past the last sub-key: ERROR_NO_MORE_ITEMS.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameChars, DWORD* reserved, LPWSTR keyClass,
    DWORD* classChars, FILETIME* lastWrite);

// Gives the value at position index (0 upward, in the order the values were
// first written): its name as RegEnumKeyExW gives key names, its type and its
// data as RegQueryValueExW gives them (data and type may be null).
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameChars, DWORD* reserved, DWORD* type,
    BYTE* data, DWORD* dataBytes);

// The file that a key opened now below a predefined root would live in.
std::string RegistryFilePath();
