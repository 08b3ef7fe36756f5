// Feeds arbitrary bytes to the decoder of posted-message frames: it must
// refuse everything that is not one whole frame of a postable message, and
// what it accepts must encode back to the same bytes.
#include "IpcFrame.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IpcFrame frame;
    if (!DecodeIpcFrame(data, size, &frame))
        return 0;
    if (size != kIpcFrameSize || !IsPostableMessage(frame.message))
        std::abort();
    const auto again = EncodeIpcFrame(frame);
    if (std::memcmp(again.data(), data, size) != 0)
        std::abort();
    return 0;
}
