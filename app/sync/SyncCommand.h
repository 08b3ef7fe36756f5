#pragma once
// The Tools menu's "Sync": two-way sync of the journal with the folder of
// .ics files named by the "SyncFolder" setting (section "Options"; "vdir"
// in the data folder when unset), then a message of what changed and which
// files were skipped. Plain functions; UI thread.

#include "WinTypes.h"

#include <filesystem>

class DbKestrin;
class QWidget;
class ZRegistry;
struct SyncReport;

namespace SyncCommand {

inline constexpr WCHAR kFolderSetting[] = u"SyncFolder";

// The folder the settings name.
std::filesystem::path Folder(ZRegistry& settings);
// The message shown after a sync.
std::u16string Summary(const SyncReport& report);
// Runs the sync and shows its summary. True when the journal changed.
bool Run(DbKestrin& journal, ZRegistry& settings, QWidget* window);

} // namespace SyncCommand
