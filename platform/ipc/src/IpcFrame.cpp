#include "IpcFrame.h"

#include "WindowMessages.h"

namespace {

void PutU32(std::uint8_t* out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

DWORD GetU32(const std::uint8_t* in)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | in[i];
    return value;
}

} // namespace

BOOL IsPostableMessage(DWORD message)
{
    switch (message) {
    case WM_ACTIVATE:
    case WM_QUIT:
    case KWM_CLOSE:
    case KWM_CURSOR:
    case KWM_PIMITEM:
        return TRUE;
    default:
        return FALSE;
    }
}

std::array<std::uint8_t, kIpcFrameSize> EncodeIpcFrame(const IpcFrame& frame)
{
    std::array<std::uint8_t, kIpcFrameSize> bytes {};
    PutU32(bytes.data(), frame.message);
    PutU32(bytes.data() + 4, frame.wParam);
    PutU32(bytes.data() + 8, frame.lParam);
    return bytes;
}

BOOL DecodeIpcFrame(const std::uint8_t* bytes, std::size_t size, IpcFrame* frame)
{
    if (!bytes || !frame || size != kIpcFrameSize)
        return FALSE;
    const DWORD message = GetU32(bytes);
    if (!IsPostableMessage(message))
        return FALSE;
    frame->message = message;
    frame->wParam = GetU32(bytes + 4);
    frame->lParam = GetU32(bytes + 8);
    return TRUE;
}
