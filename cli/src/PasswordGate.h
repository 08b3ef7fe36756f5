#pragma once
// The password lock on the command line. When the journal has a password
// (the settings "pwActive" and "vacc", as the program's options dialog sets
// them), a command that reads or writes entries asks for it first:
//   - from the file named by --password-file FILE (first line), else
//   - from the file descriptor named by $KESTRIN_PASSWORD_FD (first line),
//     for scripts: one attempt;
//   - else on the terminal, without echo, up to three attempts as the
//     program's keypad allows.
// A wrong password ends the command with exit code 1 and the keypad's
// message. The lock keeps honest people out of the journal; it does not
// encrypt it.

#include "ZRegistry.h"

#include <string>

// The file --password-file named (main takes the option out of the words
// before the command parses them). Empty: none.
void SetPasswordFile(const std::string& path);

// Returns when no password is set or the right one was given; otherwise
// fails the command.
void RequirePassword(ZRegistry& settings, const WCHAR* section);
