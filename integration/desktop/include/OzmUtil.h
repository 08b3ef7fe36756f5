#pragma once
// libOzmUtil.so: the desktop side of remote close, for installers that must
// make sure the journal program is not running before they replace its
// files.
//
// KillKestrin runs "kestrin-rapi kstdata KillKestrin" (the device side in
// the journal library) through a command prefix and reads its report from
// the command's output: the 32-bit little-endian length, which must be 1,
// then the flag byte. The prefix comes from the environment variable
// KESTRIN_RAPI_PREFIX, split at blanks (empty or unset: this computer; for
// example "ssh handheld" for another). Locally, kestrin-rapi is looked for
// beside the library (its folder and ../bin), then on PATH; behind a prefix
// the other side's PATH finds it.
//
// Results: 1 when a running program was closed; 0 when none was running;
// otherwise an error code, after one "Error" box with its text (the
// exclamation icon, no owner): the code kestrin-rapi reported, 2 when the
// command could not be started, 1460 when it did not answer within
// kRemoteCloseTimeoutMs, 13 when the report is malformed (a length other
// than 1, a flag other than 0 or 1, bytes missing), and 0x80004005 for a
// failure that carries no code of its own. A failure is never 0.
//
// Any thread; each call runs one command and waits for it.

extern "C" int KillKestrin();

inline constexpr int kRemoteCloseTimeoutMs = 30000;
