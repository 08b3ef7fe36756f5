#pragma once
// Value types of the record-database service: object identifiers, typed
// property values, sort order specifications and the information blocks.
// A record is an array of CEPROPVAL; text and blob values point into memory
// owned by whoever built the array (on reads: the single LocalAlloc block the
// service returns, which the reader frees).

#include "WinTypes.h"

using CEOID = DWORD; // 0 means none
using CEPROPID = DWORD; // high 16 bits: property number, low 16 bits: value type
using HANDLE = void*;
using HWND = void*;
using LPBYTE = BYTE*;
// A seek value: a signed count, an OID, or a pointer to a CEPROPVAL.
using DWORD_PTR = std::uintptr_t;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Value types (low word of a property id).
enum : WORD {
    CEVT_I2 = 2,
    CEVT_UI2 = 18,
    CEVT_I4 = 3,
    CEVT_UI4 = 19,
    CEVT_BOOL = 11,
    CEVT_R8 = 5,
    CEVT_LPWSTR = 31,
    CEVT_FILETIME = 64,
    CEVT_BLOB = 65,
};

constexpr WORD TypeFromPropID(CEPROPID id)
{
    return static_cast<WORD>(id & 0xFFFF);
}
constexpr WORD NumberFromPropID(CEPROPID id)
{
    return static_cast<WORD>(id >> 16);
}
constexpr CEPROPID MakePropID(WORD number, WORD type)
{
    return (static_cast<CEPROPID>(number) << 16) | type;
}

struct CEBLOB {
    DWORD dwCount;
    BYTE* lpb;
};

union CEVALUNION {
    SHORT iVal;
    USHORT uiVal;
    LONG lVal;
    ULONG ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
    double dblVal;
};

// Flags word of a property value.
enum : WORD {
    CEDB_PROPNOTFOUND = 0x0100, // set on read: the record does not hold the property
    CEDB_PROPDELETE = 0x0200, // on write: remove the property from the record
};

struct CEPROPVAL {
    CEPROPID propid;
    WORD wLenData; // always written 0
    WORD wFlags;
    CEVALUNION val;
};

enum : DWORD {
    CEDB_MAXSORTORDER = 4,
    CEDB_MAXDBASENAMELEN = 32,
};

// Sort order flags.
enum : DWORD {
    CEDB_SORT_DESCENDING = 0x00000001,
    CEDB_SORT_CASEINSENSITIVE = 0x00000002,
    CEDB_SORT_UNKNOWNFIRST = 0x00000004,
};

struct SORTORDERSPEC {
    CEPROPID propid;
    DWORD dwFlags;
};

// Seek types.
enum : DWORD {
    CEDB_SEEK_CEOID = 0x00000001,
    CEDB_SEEK_BEGINNING = 0x00000002,
    CEDB_SEEK_END = 0x00000004,
    CEDB_SEEK_CURRENT = 0x00000008,
    CEDB_SEEK_VALUESMALLER = 0x00000010,
    CEDB_SEEK_VALUEFIRSTEQUAL = 0x00000020,
    CEDB_SEEK_VALUEGREATER = 0x00000040,
    CEDB_SEEK_VALUENEXTEQUAL = 0x00000080,
};

// Read flags.
enum : DWORD {
    CEDB_ALLOWREALLOC = 0x00000001,
};

// Open flags.
enum : DWORD {
    CEDB_AUTOINCREMENT = 0x00000001,
};

// Validity flags of CEDBASEINFO.
enum : DWORD {
    CEDB_VALIDNAME = 0x0001,
    CEDB_VALIDTYPE = 0x0002,
    CEDB_VALIDSORTSPEC = 0x0004,
    CEDB_VALIDMODTIME = 0x0008,
};

struct CEDBASEINFO {
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    WORD wNumRecords; // 16 bits as on the device; see the store for the full count
    WORD wNumSortOrder;
    DWORD dwSize;
    FILETIME ftLastModified;
    SORTORDERSPEC rgSortSpecs[CEDB_MAXSORTORDER];
};

// Object types of CEOIDINFO.
enum : WORD {
    OBJTYPE_INVALID = 0,
    OBJTYPE_FILE = 1,
    OBJTYPE_DIRECTORY = 2,
    OBJTYPE_DATABASE = 3,
    OBJTYPE_RECORD = 4,
};

struct CERECORDINFO {
    CEOID oidParent;
};

struct CEOIDINFO {
    WORD wObjType;
    WORD wPad;
    union {
        CEDBASEINFO infDatabase;
        CERECORDINFO infRecord;
    };
};

// Change notifications delivered to a handle's notify target.
enum : UINT {
    DB_CEOID_CREATED = 0x8001,
    DB_CEOID_DATABASE_DELETED = 0x8002,
    DB_CEOID_RECORD_DELETED = 0x8003,
    DB_CEOID_CHANGED = 0x8004,
};
