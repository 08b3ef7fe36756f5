#pragma once
// The file side of journal sync: a file's stamp (modification time and
// size, which say cheaply whether it may have changed), whole reads, and
// whole writes that readers never see half done. Private to the sync code.

#include "SyncState.h"

#include <filesystem>
#include <optional>
#include <string>

namespace journal_sync {

// Seconds since 1970, for the files' time stamps.
long long NowSeconds();

bool ReadWhole(const std::filesystem::path& path, std::string& bytes);

// Writes the bytes under a temporary name in the same folder and renames
// them over `path`, so a reader sees the old file or the new one. The
// stamp of the written file comes back in `stamp`.
bool WriteWhole(const std::filesystem::path& path, const std::string& bytes, FileStamp* stamp = nullptr);

// A regular file's stamp (without hash); nullopt for anything else.
std::optional<FileStamp> StatOf(const std::filesystem::path& path);

} // namespace journal_sync
