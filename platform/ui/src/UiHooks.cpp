#include "UiHooks.h"

#include <atomic>

namespace {

std::atomic<UiHooks*> installedHooks { nullptr };

UiHooks& DefaultHooks()
{
    static HeadlessUiHooks headless;
    return headless;
}

std::u16string_view View(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

} // namespace

UiHooks& CurrentUiHooks()
{
    UiHooks* hooks = installedHooks.load(std::memory_order_acquire);
    return hooks ? *hooks : DefaultHooks();
}

UiHooks* InstallUiHooks(UiHooks* hooks)
{
    return installedHooks.exchange(hooks, std::memory_order_acq_rel);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    return CurrentUiHooks().MessageBox(owner, View(text), View(caption), type);
}

void OutputDebugStringW(LPCWSTR line)
{
    CurrentUiHooks().Trace(View(line));
}

BOOL PlaySoundW(LPCWSTR path, HMODULE, DWORD flags)
{
    if (!path)
        return FALSE;
    return CurrentUiHooks().PlaySound(View(path), flags);
}

void SetWaitCursor(bool on)
{
    CurrentUiHooks().SetWaitCursor(on);
}
