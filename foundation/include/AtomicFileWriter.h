#pragma once
// AtomicFileWriter: replaces a file as a whole or not at all. The content is
// written to a temporary file beside the target; Commit() syncs it, renames
// it over the target and syncs the folder, so after a crash the target holds
// either the old or the new content, never a mixture. Without Commit() (an
// error on the way, or the writer going out of scope) the temporary file is
// removed and the target is untouched. Backup and export write through it.
//
// A target that is a symbolic link is written through: the file it names is
// replaced (a dangling link gets its file), the link stays a link. The new
// file keeps an existing target's mode (a read-only file stays read-only);
// a new file gets the usual 0666 less the umask, except in the data folder,
// where files are private (0600). The temporary file is 0600 throughout, so
// nobody reads a journal's content while it is written.
//
// Owns the temporary file; not copyable; not thread-safe.

#include "WinTypes.h"
#include "ZFile.h"
#include "ZString.h"

class AtomicFileWriter {
public:
    // Nothing is created until Open().
    explicit AtomicFileWriter(LPCWSTR target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file (a new, unique name in the target's folder)
    // open for writing; 1 on success, else 0 with the last error set (the
    // folder does not exist, no permission, ...).
    BOOL Open();
    // The temporary file to write the content into.
    ZFile& File() { return m_file; }
    // Syncs and closes the temporary file, renames it to the target and syncs
    // the folder. 1 on success; on failure 0 with the last error set, the
    // temporary file removed and the target unchanged.
    BOOL Commit();
    // Removes the temporary file (also done by the destructor).
    void Discard();

    const ZString& Target() const { return m_target; }
    // The file that is replaced: the target, or the file its links lead to
    // (set by Open).
    const ZString& Destination() const { return m_destination; }
    // The temporary file's path (null before Open).
    const ZString& TempPath() const { return m_temp; }

private:
    ZString m_target;
    ZString m_destination;
    ZString m_temp;
    ZFile m_file;
    bool m_committed = false;
};
