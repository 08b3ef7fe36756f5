#pragma once
// IRAPIStream: the byte stream a stream-mode function of the remote API
// writes its answer to (and may read from). kestrin-rapi binds it to its
// standard output; tests bind it to memory. The function releases the
// stream when it is done; Release ends the caller's use of it.
//
// HRESULT values used by the exports of the journal library.

#include "WinTypes.h"

using HRESULT = LONG;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr DWORD ERROR_TIMEOUT = 1460;

class IRAPIStream {
public:
    // Reads up to `bytes` bytes; *read (may be null) receives how many.
    virtual HRESULT Read(void* buffer, DWORD bytes, DWORD* read) = 0;
    // Writes `bytes` bytes; S_OK only when all were written.
    virtual HRESULT Write(const void* buffer, DWORD bytes, DWORD* written) = 0;
    // Ends the use of the stream; the stream may be gone afterwards.
    virtual ULONG Release() = 0;

protected:
    virtual ~IRAPIStream() = default;
};
