#pragma once
// Where the program keeps what it writes: $KESTRIN_HOME when set, else
// $XDG_DATA_HOME/kestrin, else ~/.local/share/kestrin. Resolved anew on every
// call, so a test that points KESTRIN_HOME elsewhere is followed at once.

#include <filesystem>

std::filesystem::path DataFolder();

// The value of an environment variable, or null when it is unset or empty.
const char* NonEmptyEnvironment(const char* name);
