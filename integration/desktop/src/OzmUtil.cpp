#include "OzmUtil.h"

#include "CodePage.h"
#include "RemoteCloseCommand.h"
#include "UiHooks.h"

#include <string>

extern "C" int KillKestrin()
{
    const RemoteCloseResult outcome = RunRemoteClose(RemoteClosePrefix(), kRemoteCloseTimeoutMs);
    if (!outcome.errorText.empty()) {
        const std::string message = RemoteCloseMessage(outcome.result, outcome.errorText);
        const std::u16string text = DecodeSystemCodePage(message);
        MessageBoxW(nullptr, text.c_str(), u"Error", MB_OK | MB_ICONEXCLAMATION);
    }
    return outcome.result;
}
