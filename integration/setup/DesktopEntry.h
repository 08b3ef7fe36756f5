#pragma once
// The desktop entry that offers "Add Kestrin Entry" for contact (vCard) and
// calendar (iCalendar) files: file managers and the desktop's address book
// and calendar programs list it under "Open with", and choosing it runs
// kestrin-pim on the file. It is installed as
// $XDG_DATA_HOME/applications/kestrin-pim.desktop (~/.local/share when the
// variable is unset), written to a temporary file and renamed into place.
// Plain functions.

#include <filesystem>
#include <string>

std::filesystem::path DesktopEntryPath();
// The entry's text for the kestrin-pim at `program`.
std::string DesktopEntryText(const std::filesystem::path& program);
// Writes the entry; false with `error` set when it could not be written.
bool InstallDesktopEntry(const std::filesystem::path& program, std::string& error);
// Removes the entry; true when it is gone (also when there was none).
bool RemoveDesktopEntry(std::string& error);
// Quotes `argument` for the Exec key (double quotes; ", `, $ and \ escaped;
// % doubled).
std::string QuoteExecArgument(const std::string& argument);
