#include "UiHooks.h"

#include "CodePage.h"

#include <cstdlib>
#include <cstring>

namespace {

bool TraceRequestedByEnvironment()
{
    const char* value = std::getenv("KESTRIN_TRACE");
    return value && std::strcmp(value, "1") == 0;
}

} // namespace

HeadlessUiHooks::HeadlessUiHooks(std::FILE* out, std::optional<bool> trace)
    : out_(out)
    , trace_(trace.value_or(TraceRequestedByEnvironment()))
{
}

int HeadlessUiHooks::MessageBox(HWND, std::u16string_view text, std::u16string_view caption, UINT type)
{
    // One write per box, so that lines from several threads do not interleave.
    std::string line = EncodeSystemCodePage(caption) + ": " + EncodeSystemCodePage(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    return MessageBoxDefaultAnswer(type);
}

void HeadlessUiHooks::SetWaitCursor(bool)
{
}

void HeadlessUiHooks::Trace(std::u16string_view line)
{
    if (!trace_)
        return;
    std::string bytes = EncodeSystemCodePage(line);
    std::fwrite(bytes.data(), 1, bytes.size(), out_);
    std::fflush(out_);
}

BOOL HeadlessUiHooks::PlaySound(std::u16string_view, DWORD)
{
    return FALSE;
}
