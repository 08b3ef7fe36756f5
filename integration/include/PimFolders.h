#pragma once
// Changing where the address book, the calendar and the task list live: the
// settings AddressBook reads ("ContactsFolder", "CalendarFolder",
// "TasksFolder" in "Options"), written whole whatever their length. An
// empty path removes the setting, so the folder under the data folder is
// used again. Reading is AddressBook::Folders.
//
// Plain functions over the registry; any thread that may use it.

#include "VdirPimStore.h"

#include <filesystem>

enum class PimFolderKind { Contacts, Calendar, Tasks };

// The folders as set now (defaults for those not set).
VdirPimStore::Folders ReadPimFolders();
const std::filesystem::path& PimFolder(const VdirPimStore::Folders& folders, PimFolderKind kind);
// Stores one folder; true when written.
bool WritePimFolder(PimFolderKind kind, const std::filesystem::path& folder);
