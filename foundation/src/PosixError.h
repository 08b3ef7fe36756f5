#pragma once
// Maps errno values to the platform error codes that callers test for.

#include "WinTypes.h"

DWORD ErrorFromErrno(int error);
// Sets the thread's last error from errno and returns 0, for failure paths.
int FailWithErrno();
