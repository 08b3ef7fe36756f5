// Feeds arbitrary bytes to the main window's socket the way other processes
// reach it: the input is cut into connections ([length byte][that many
// bytes], at most eight), each sent by a real client socket to a real
// WindowListener, whose frame reader takes at most one frame per connection,
// decodes it and hands it to the handler, as it does for the main window.
// The listener must hand over exactly one frame for every connection whose
// first 12 bytes are one frame of a postable message, and nothing else; a
// frame handed over must encode back to the bytes that were sent.
#include "IpcFrame.h"
#include "UnixSocket.h"
#include "WindowLink.h"
#include "WindowListener.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr char16_t kClass[] = u"FuzzClass";
constexpr char16_t kTitle[] = u"Fuzz Window";
constexpr std::size_t kMaxConnections = 8;
// A frame that arrives after every fuzzed connection marks the end of one
// input; it is not one of the fuzzer's own (an activation with this wParam).
constexpr DWORD kEndMark = 0xFEEDF00D;
constexpr qint64 kPatienceMs = 5000;

struct Listening {
    std::vector<IpcFrame> received;
    std::string path;
    WindowListener listener { [this](const IpcFrame& frame) { received.push_back(frame); } };
};

Listening* g_listening = nullptr;
std::string g_folder;

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

bool SameFrame(const IpcFrame& a, const IpcFrame& b)
{
    return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
}

bool Before(const IpcFrame& a, const IpcFrame& b)
{
    return std::tie(a.message, a.wParam, a.lParam) < std::tie(b.message, b.wParam, b.lParam);
}

void Send(const std::uint8_t* bytes, std::size_t size)
{
    UnixSocket client = UnixSocket::Connect(g_listening->path);
    if (!client.IsOpen())
        std::abort(); // the listener stopped accepting
    if (size != 0)
        client.SendAll(bytes, size);
}

bool EndMarkArrived()
{
    const auto& received = g_listening->received;
    return std::any_of(received.begin(), received.end(),
        [](const IpcFrame& f) { return f.message == WM_ACTIVATE && f.wParam == kEndMark; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The socket goes into a data folder of the fuzzer's own.
    char folder[] = "/tmp/kestrin-fuzz-ipc-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    setenv("KESTRIN_HOME", folder, 1);
    g_folder = folder;
    std::atexit(RemoveFolder);
    unsetenv("XDG_RUNTIME_DIR");
    new QCoreApplication(*argc, *argv);
    g_listening = new Listening();
    if (!g_listening->listener.Listen(kClass, kTitle))
        std::abort();
    g_listening->path = g_listening->listener.Path();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<IpcFrame> expected;
    std::size_t at = 0;
    for (std::size_t n = 0; n < kMaxConnections && at < size; ++n) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        ++at;
        const std::uint8_t* bytes = data + at;
        at += length;
        IpcFrame frame;
        if (length >= kIpcFrameSize && DecodeIpcFrame(bytes, kIpcFrameSize, &frame))
            expected.push_back(frame);
        Send(bytes, length);
    }
    const auto mark = EncodeIpcFrame({ WM_ACTIVATE, kEndMark, 0 });
    Send(mark.data(), mark.size());

    QElapsedTimer waited;
    waited.start();
    auto& received = g_listening->received;
    while (!(EndMarkArrived() && received.size() >= expected.size() + 1)) {
        if (waited.elapsed() > kPatienceMs)
            std::abort(); // a whole, postable frame was never handed over
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Connections that sent nothing whole are dropped meanwhile.
    QCoreApplication::processEvents();

    std::erase_if(received, [](const IpcFrame& f) { return f.message == WM_ACTIVATE && f.wParam == kEndMark; });
    for (const IpcFrame& frame : received) {
        if (!IsPostableMessage(frame.message))
            std::abort();
        const auto bytes = EncodeIpcFrame(frame);
        IpcFrame again;
        if (!DecodeIpcFrame(bytes.data(), bytes.size(), &again) || !SameFrame(frame, again))
            std::abort();
    }
    std::sort(received.begin(), received.end(), Before);
    std::sort(expected.begin(), expected.end(), Before);
    if (!std::equal(received.begin(), received.end(), expected.begin(), expected.end(), SameFrame))
        std::abort();
    received.clear();
    return 0;
}
