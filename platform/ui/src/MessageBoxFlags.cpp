#include "MessageBoxFlags.h"

std::vector<int> MessageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return { IDOK, IDCANCEL };
    case MB_ABORTRETRYIGNORE:
        return { IDABORT, IDRETRY, IDIGNORE };
    case MB_YESNOCANCEL:
        return { IDYES, IDNO, IDCANCEL };
    case MB_YESNO:
        return { IDYES, IDNO };
    case MB_RETRYCANCEL:
        return { IDRETRY, IDCANCEL };
    default:
        return { IDOK };
    }
}

int MessageBoxDefaultAnswer(UINT type)
{
    std::vector<int> buttons = MessageBoxButtons(type);
    std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}
