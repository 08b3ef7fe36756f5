#pragma once
// The per-thread "last error" of the platform: every stand-in sets it when a
// call fails, and callers read it right after the failing call. Independent
// threads never see each other's errors.

#include "WinTypes.h"

DWORD GetLastError();
void SetLastError(DWORD error);
