#pragma once
// What an interrupted integrity check can leave in the data folder, and how
// the next check or program start deals with it. A check killed while it
// wrote its safety copy leaves the copy's temporary file (as large as a
// backup of the whole journal): it is removed. A check that ended before it
// could delete its finished safety copy leaves that copy: it is kept under a
// name of its own, so that the next check does not overwrite it, and its
// place is told once.
//
// Both leave alone what a check running in another process is writing.

#include <filesystem>

// The safety copy every check writes: <data folder>/kssave-bkup.ksk.
std::filesystem::path SafetyCopyPath();

// Removes the temporary files of interrupted safety copies, unless another
// process runs a check now. Returns how many were removed.
int RemoveInterruptedCheckFiles();

// Renames a safety copy left by an earlier check to
// "kssave-bkup-kept-YYYYMMDD-HHMMSS.ksk" beside it and returns the new path;
// empty when there was none (or another process runs a check).
std::filesystem::path KeepLeftSafetyCopy();
