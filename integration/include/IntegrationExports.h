#pragma once
// The plain exports of libkstdata.so through which other programs reach the
// journal: the menu extension that hosts call for "Add Kestrin Entry"
// (CePimCommand), self-registration (DllRegisterServer,
// DllUnregisterServer) and the device side of remote close (KillKestrin,
// a stream-mode function of the remote API; see RapiStream.h). C linkage, so
// a host finds them by name with dlsym.
//
// Results: HRESULT values, S_OK (0) on success and E_FAIL (0x80004005) on a
// failure, as each function says. Any thread; the functions use the
// registry, the object store and the window socket of the calling user.

#include "RapiStream.h"
#include "WinTypes.h"

// Item kinds a host hands over.
enum : DWORD {
    PIM_KIND_CONTACT = 0,
    PIM_KIND_APPOINTMENT = 1,
    PIM_KIND_TASK = 2,
};

extern "C" {

// Hands the first of `count` items (kind and object id) to the running
// program as the PIM item message, starting the program first when it does
// not run. Nothing happens for a count of 0 or a null item list. The host
// window and `reserved` are not used. Failures are shown in a message box
// ("Error Starting Ozm Kestrin. Please reinstall", "Can't Find Ozm Kestrin").
void CePimCommand(HWND host, DWORD kind, DWORD count, const DWORD* items, void* reserved);

// Writes the menu extension's registration and the first-run settings.
// S_OK, or E_FAIL at the first registry write that failed.
HRESULT DllRegisterServer();

// Removes the registration and the program's settings; then asks whether to
// delete the journal and, on Yes, deletes it (see SelfRegistration.h).
// S_OK when the registration was removed, E_FAIL otherwise.
HRESULT DllUnregisterServer();

// Device side of remote close: closes the running program (the orderly
// close, as the window's close button does) and writes the report to
// `stream`: the 32-bit length 1, then the flag byte (1 = a running program
// was closed, 0 = none ran). Returns S_OK once the report is written;
// ERROR_TIMEOUT when the program was told to close but its window did not go
// within the wait (nothing is reported then); E_FAIL for a null stream or a
// failed write. The stream is released in every case. No input or output
// buffers are used: *outputSize is set to 0 and *output to null.
HRESULT KillKestrin(DWORD inputSize, BYTE* input, DWORD* outputSize, BYTE** output, IRAPIStream* stream);
}
