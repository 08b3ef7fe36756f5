#pragma once
// One two-way sync of the journal with a folder of VJOURNAL files (see
// JournalSync::Sync for what it does to each side). Private to the sync
// code.

#include "JournalSyncImpl.h"

#include <filesystem>

namespace journal_sync {

SyncReport RunSync(JournalSync::Impl& impl, const std::filesystem::path& folder);

} // namespace journal_sync
