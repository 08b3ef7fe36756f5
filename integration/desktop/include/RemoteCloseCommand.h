#pragma once
// The desktop side of remote close without its message box: runs the device
// side's command and turns what comes back into KillKestrin's result and,
// for a failure, the text the box shows. See OzmUtil.h for the results.
// Exported from libOzmUtil.so for installers written in C++ and for tests.

#include <string>
#include <vector>

struct RemoteCloseResult {
    int result = 0; // KillKestrin's result
    std::string errorText; // empty unless result is an error code
};

// The command prefix of KESTRIN_RAPI_PREFIX, split at blanks.
std::vector<std::string> RemoteClosePrefix();

// Runs `prefix` + kestrin-rapi kstdata KillKestrin and reads its report
// within `timeoutMs` milliseconds.
RemoteCloseResult RunRemoteClose(const std::vector<std::string>& prefix, int timeoutMs);

// Reads the device's report from the command's output: 1 or 0 for the flag,
// or 13 with `errorText` set when the report is malformed.
int ReadCloseReport(const std::string& output, std::string& errorText);

// The box's text for `code` and `text`: "Error %X\n%s.".
std::string RemoteCloseMessage(int code, const std::string& text);
