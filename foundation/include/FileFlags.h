#pragma once
// Access, share, creation and seek constants of ZFile::Open and ZFile::Seek,
// with the platform's numbers so that combined flags keep their values.

#include "WinTypes.h"

enum : DWORD {
    GENERIC_READ = 0x80000000,
    GENERIC_WRITE = 0x40000000,

    // Share modes are accepted and ignored: Linux files have no share locks.
    FILE_SHARE_READ = 0x1,
    FILE_SHARE_WRITE = 0x2,

    // Creation dispositions.
    CREATE_NEW = 1, // create; fail with ERROR_FILE_EXISTS when it exists
    CREATE_ALWAYS = 2, // create, or empty an existing file
    OPEN_EXISTING = 3, // open; fail with ERROR_FILE_NOT_FOUND when missing
    OPEN_ALWAYS = 4, // open, or create when missing
    TRUNCATE_EXISTING = 5, // open and empty; fail when missing

    // Attributes: read-only creates the file without write permission.
    FILE_ATTRIBUTE_READONLY = 0x01,
    FILE_ATTRIBUTE_NORMAL = 0x80,

    // Seek origins.
    FILE_BEGIN = 0,
    FILE_CURRENT = 1,
    FILE_END = 2,
};
