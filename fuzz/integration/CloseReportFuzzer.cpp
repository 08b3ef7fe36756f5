// Remote close reads the other side's report from a command's output: any
// bytes give 0, 1 or the malformed-report error with a text, never more.

#include "RemoteCloseCommand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string output(reinterpret_cast<const char*>(data), size);
    std::string text;
    const int result = ReadCloseReport(output, text);
    if (result != 0 && result != 1 && result != 13)
        std::abort();
    if ((result == 13) == text.empty())
        std::abort();
    RemoteCloseMessage(result, text);
    return 0;
}
