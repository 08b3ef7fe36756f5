#pragma once
// ZFile: one open file with whole-buffer reads and writes, line reading for
// text files and text writing in the system code page (UTF-8). Backup and
// export write their files through it; skins are read with ReadLine.
//
// Results follow the system's convention: 1/0, byte counts, and -1 for
// "nothing". Failures set the thread's last error (LastError.h) and report
// nothing else, except Size(), which shows the "IO Error" message box
// through the UI hooks.
//
// Durability: Write() hands the bytes to the kernel before it returns (there
// is no user-space buffer, so a crash of the program loses nothing written),
// but it does not wait for the disk. Sync() does; a bulk writer writes
// everything, then syncs once (see AtomicFileWriter for replacing a file).
//
// Paths are UTF-16 and are converted to UTF-8 for the file system; a path
// keeps its full length. Share modes are ignored. Owns its descriptor (closed
// by Close() or the destructor); not copyable; not thread-safe.

#include "FileFlags.h"
#include "WinTypes.h"
#include "ZString.h"

#include <cstddef>
#include <vector>

class ZFile {
public:
    ZFile() = default;
    virtual ~ZFile();
    ZFile(const ZFile&) = delete;
    ZFile& operator=(const ZFile&) = delete;

    // Opens or creates `path` with GENERIC_READ/GENERIC_WRITE `access` and a
    // creation disposition (CREATE_NEW, ...). Fails (0) when this object
    // already has a file open (that file is untouched), or when the platform
    // open fails (the object stays closed). Folders cannot be opened. On
    // success stores the path and returns 1.
    BOOL Open(LPCWSTR path, DWORD access, DWORD shareMode, DWORD creation, DWORD attributes);
    // Closes an open file first (0 when that close fails), then opens an
    // existing file as Open does with OPEN_EXISTING.
    BOOL OpenExisting(LPCWSTR path, DWORD access, DWORD shareMode, DWORD attributes);
    // 0 when no file is open or the close fails; else 1.
    BOOL Close();
    // Closes the file and deletes it by the stored path; 1 when deleted.
    BOOL Delete();
    // 1 when a file or folder exists at `path` (null gives 0); changes nothing.
    static BOOL Exists(LPCWSTR path);

    // Writes `count` bytes; returns the bytes written, 0 on failure.
    DWORD Write(const void* data, DWORD count);
    // Writes `text` converted to UTF-8, without a terminator; returns the
    // bytes written (0 for a null or empty text and on failure).
    DWORD WriteText(LPCWSTR text);
    // Waits until everything written is on the disk; 1 on success.
    BOOL Sync();

    // Reads up to `count` bytes; returns the bytes read, or -1 when nothing
    // could be read (end of file, read error, no file).
    int Read(void* buffer, DWORD count);
    // The next byte as a character (0..255), or -1 at the end of the file.
    int ReadByte();
    // Reads up to the next line feed (10) or the end of the file. Each byte
    // becomes one character as it is (no code-page conversion); with
    // `dropControl`, control characters (among them carriage return and tab)
    // are left out. The line feed is not stored. At most capacity - 1
    // characters are stored, zero-terminated; the rest of a longer line is
    // consumed and dropped. Returns the bytes consumed before the line feed,
    // dropped ones included: 0 for an empty line and at the end of the file.
    // A null buffer or zero capacity reads nothing and returns 0.
    int ReadLine(LPWSTR buffer, int capacity, BOOL dropControl);
    // As above, keeping the whole line however long; assigns `line` only when
    // the count is not 0.
    int ReadLine(ZString& line, BOOL dropControl);

    // Moves by `distance` from FILE_BEGIN, FILE_CURRENT or FILE_END; returns
    // the new position, or -1 on failure (position unchanged).
    LONGLONG Seek(LONGLONG distance, DWORD method);
    // Ends the file at the current position; 1 on success.
    BOOL Truncate();
    // The file size (its low 32 bits). On failure shows "Error %d occured
    // during GetFileSize." (caption "IO Error", MB_SETFOREGROUND, no owner)
    // and returns 0.
    DWORD Size();

    BOOL IsOpen() const { return m_fd >= 0; }
    // The path of the last successful open (null before any).
    LPCWSTR Name() const { return m_name; }

private:
    BOOL OpenDescriptor(LPCWSTR path, DWORD access, DWORD creation, DWORD attributes);
    // Gives back bytes read ahead by ReadByte, so the file position is the
    // caller's position again before any other operation.
    bool DropReadAhead();
    bool FillReadAhead();

    int m_fd = -1;
    ZString m_name;
    // Read-ahead of ReadByte/ReadLine, so lines are not read a byte per call.
    std::vector<unsigned char> m_ahead;
    std::size_t m_aheadPos = 0;
};
