#include "WindowLink.h"

#include "IpcFrame.h"
#include "LastError.h"
#include "SocketFolder.h"
#include "UnixSocket.h"

#include <mutex>
#include <vector>

namespace {

// Socket paths of the windows found so far; a handle is an index + 1.
std::mutex tableMutex;
std::vector<std::string> foundWindows;

HWND HandleForPath(const std::string& path)
{
    std::lock_guard lock(tableMutex);
    std::size_t index = 0;
    while (index < foundWindows.size() && foundWindows[index] != path)
        ++index;
    if (index == foundWindows.size())
        foundWindows.push_back(path);
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(index + 1));
}

std::string PathForHandle(HWND window)
{
    const auto token = reinterpret_cast<std::uintptr_t>(window);
    std::lock_guard lock(tableMutex);
    if (token == 0 || token > foundWindows.size())
        return {};
    return foundWindows[token - 1];
}

} // namespace

std::string WindowSocketPath(LPCWSTR className, LPCWSTR title)
{
    const std::string name = SocketFileName(className, title);
    const std::string folder = name.empty() ? std::string() : SocketFolder();
    if (folder.empty())
        return {};
    std::string path = folder + '/' + name;
    return path.size() < kMaxSocketPath ? path : std::string();
}

HWND FindWindowW(LPCWSTR className, LPCWSTR title)
{
    const std::string path = WindowSocketPath(className, title);
    UnixSocket probe = path.empty() ? UnixSocket() : UnixSocket::Connect(path);
    if (!probe.IsOpen()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return HandleForPath(path);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::string path = PathForHandle(window);
    if (path.empty()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const auto lParamBits = static_cast<std::uintptr_t>(lParam);
    if (!IsPostableMessage(message) || wParam > 0xFFFFFFFFu || lParamBits > 0xFFFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    UnixSocket socket = UnixSocket::Connect(path);
    const auto frame
        = EncodeIpcFrame({ message, static_cast<DWORD>(wParam), static_cast<DWORD>(lParamBits) });
    if (!socket.IsOpen() || !socket.SendAll(frame.data(), frame.size())) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL SetForegroundWindow(HWND window)
{
    return PostMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
}
