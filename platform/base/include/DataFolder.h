#pragma once
// Where the program keeps what it writes: $KESTRIN_HOME when set, else
// $XDG_DATA_HOME/kestrin, else ~/.local/share/kestrin. Resolved anew on every
// call, so a test that points KESTRIN_HOME elsewhere is followed at once.
//
// A journal is private: the data folder is created readable by its owner
// only (0700) and every file the program creates in it 0600, whatever the
// umask says. A folder that exists already keeps its rights (the user may
// have chosen them); PrivacyOfFolder tells whether others can look in.

#include <filesystem>
#include <string>

std::filesystem::path DataFolder();

// The value of an environment variable, or null when it is unset or empty.
const char* NonEmptyEnvironment(const char* name);

// Creates `folder` (and missing parents) when absent; the folder itself is
// made 0700, parents with the usual rights. An existing folder is left as it
// is. True when the folder exists afterwards.
bool EnsurePrivateFolder(const std::filesystem::path& folder);

// Creates `file` empty with mode 0600 when it does not exist; an existing
// file is left alone. False (errno set) when it could not be created.
bool EnsurePrivateFile(const std::filesystem::path& file);

// "" when only the owner may enter `folder`; otherwise a sentence saying who
// else can (group or others), for a check to report.
std::string WiderRightsOf(const std::filesystem::path& folder);
