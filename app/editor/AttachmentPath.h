#pragma once
// The attachment path of an entry, as stored and as shown. Entries store the
// attached file's full path as it is. Entries written by older versions
// stored it with every "&" doubled (a display trick that leaked into the
// data); such a path is read back undoubled. Plain functions.

#include <QString>

// The stored path as the file's real path: a path holding "&&" that does not
// name an existing file is read with every "&&" undoubled.
QString AttachmentFilePath(const QString& stored);
// The name shown for a path: the part after its last "/" or "\" (paths from
// a handheld use "\").
QString AttachmentDisplayName(const QString& path);
// True when `path` is not empty and no file exists there.
bool AttachmentMissing(const QString& path);
