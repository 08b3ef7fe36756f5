#pragma once
// The handful of platform value types that the journal's records, files and
// messages are defined in. Every layer speaks these; none of them owns memory.
//
// Texts are UTF-16 (WCHAR is char16_t, not the 32-bit wchar_t of Linux), so
// stored records, backup files and beamed messages keep their 16-bit layout.

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Opaque handles of windows and loaded modules. The libraries only pass them
// along (a message box owner, a sound's module); null means "none".
using HWND = void*;
using HINSTANCE = void*;
using HMODULE = void*;

// 100-ns ticks since 1 January 1601, split as the platform splits it.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Error codes that callers test for by number.
enum : DWORD {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_SHARING_VIOLATION = 32,
    ERROR_HANDLE_EOF = 38,
    ERROR_DUP_NAME = 52,  // a database of that name exists already
    ERROR_FILE_EXISTS = 80,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_DISK_FULL = 112,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_ALREADY_EXISTS = 183,
    ERROR_NO_DATA = 232,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_BADDB = 1009,  // a database or settings file whose contents are damaged
    ERROR_REGISTRY_IO_FAILED = 1016,  // the settings file cannot be read or written
    ERROR_KEY_DELETED = 1018,
};
