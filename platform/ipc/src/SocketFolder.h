#pragma once
// Where the sockets of running windows live, and the name of one.

#include "WinTypes.h"

#include <string>

// The folder for window sockets: $XDG_RUNTIME_DIR when it is an absolute
// path, else the data folder (created when missing). Empty when neither can
// be had.
std::string SocketFolder();

// "kestrin-<class>-<title>[-<hash of $KESTRIN_HOME>].sock" with every
// character outside [A-Za-z0-9] of class and title written as '_' and a hash
// of the exact names appended when that mapping lost anything, so different
// windows never share a name. Empty for a null or empty class or title.
std::string SocketFileName(LPCWSTR className, LPCWSTR title);
