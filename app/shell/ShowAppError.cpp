#include "ProgramText.h"

#include "UiHooks.h"
#include "ZString.h"

void ShowAppError(UINT stringId)
{
    ZString text;
    text.LoadString(stringId);
    MessageBoxW(nullptr, text, kWindowTitle, MB_ICONHAND | MB_SETFOREGROUND);
}
