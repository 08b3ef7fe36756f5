// The window socket between processes: finding a running window, posting it
// frames, refusing what other processes may not send, and taking over the
// socket a crashed copy left behind.
#include "WindowLink.h"
#include "IpcFrame.h"
#include "LastError.h"
#include "TempHome.h"
#include "WindowListener.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

const char16_t kClass[] = u"KSCLASS";
const char16_t kTitle[] = u"Ozm Kestrin";

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "test_platform_ipc";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or a second has passed.
template <typename Done> bool PumpUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void PumpFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Sends raw bytes on a fresh connection to `path`.
void SendRaw(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class WindowLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        // Keep the sockets inside the test's own folder.
        unsetenv("XDG_RUNTIME_DIR");
    }
    TempHome home;
    std::vector<IpcFrame> received;
    WindowListener listener { [this](const IpcFrame& frame) { received.push_back(frame); } };
};

} // namespace

TEST(IpcFrameTest, DecodesOnlyWholeFramesOfPostableMessages)
{
    const auto bytes = EncodeIpcFrame({ 1126, 0x00010002, 0xDEADBEEF });
    EXPECT_EQ(bytes[0], 0x66); // little-endian 1126
    EXPECT_EQ(bytes[1], 0x04);
    IpcFrame frame;
    ASSERT_TRUE(DecodeIpcFrame(bytes.data(), bytes.size(), &frame));
    EXPECT_EQ(frame.message, 1126u);
    EXPECT_EQ(frame.wParam, 0x00010002u);
    EXPECT_EQ(frame.lParam, 0xDEADBEEFu);

    IpcFrame untouched { 7, 8, 9 };
    EXPECT_FALSE(DecodeIpcFrame(bytes.data(), 11, &untouched));
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_FALSE(DecodeIpcFrame(longer.data(), longer.size(), &untouched));
    EXPECT_FALSE(DecodeIpcFrame(nullptr, 12, &untouched));
    EXPECT_FALSE(DecodeIpcFrame(bytes.data(), 12, nullptr));
    EXPECT_EQ(untouched.message, 7u);

    for (DWORD message : { 6u, 18u, 1023u, 1125u, 1126u }) {
        const auto ok = EncodeIpcFrame({ message, 0, 0 });
        EXPECT_TRUE(DecodeIpcFrame(ok.data(), ok.size(), &frame)) << message;
    }
    // Commands, sizes, the splitter message and unknown numbers stay inside.
    for (DWORD message : { 0u, 0x10u, 0x111u, 1130u, 0xFFFFFFFFu, 1126u + 0x10000u }) {
        const auto refused = EncodeIpcFrame({ message, 0, 0 });
        EXPECT_FALSE(DecodeIpcFrame(refused.data(), refused.size(), &frame)) << message;
    }
}

TEST_F(WindowLinkTest, FindsTheListeningWindowAndDeliversPostedFrames)
{
    EXPECT_EQ(FindWindowW(kClass, kTitle), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(listener.Listen(kClass, kTitle));
    EXPECT_EQ(listener.Path(), WindowSocketPath(kClass, kTitle));
    EXPECT_EQ(listener.Path().rfind(home.path().string(), 0), 0u) << listener.Path();

    HWND window = FindWindowW(kClass, kTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowW(kClass, u"Another Title"), nullptr);

    ASSERT_TRUE(PostMessageW(window, 1126, MAKEWPARAM(1, 3), 4242));
    ASSERT_TRUE(SetForegroundWindow(window));
    ASSERT_TRUE(PumpUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received[0].message, 1126u);
    EXPECT_EQ(received[0].wParam, 0x00030001u);
    EXPECT_EQ(received[0].lParam, 4242u);
    EXPECT_EQ(received[1].message, static_cast<DWORD>(WM_ACTIVATE));

    // What may not cross, or cannot, is refused on the sending side.
    EXPECT_FALSE(PostMessageW(window, WM_COMMAND, 1, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(PostMessageW(window, 1126, WPARAM { 1 } << 40, 0));
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(std::uintptr_t { 999 }), 1023, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageW(nullptr, 1023, 0, 0));

    // Once the window is gone its handle reports that.
    listener.Close();
    EXPECT_FALSE(std::filesystem::exists(WindowSocketPath(kClass, kTitle)));
    EXPECT_FALSE(PostMessageW(window, 1023, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowLinkTest, DropsGarbageAndKeepsServing)
{
    ASSERT_TRUE(listener.Listen(kClass, kTitle));
    const std::string path = listener.Path();
    SendRaw(path, { 1, 2, 3 }); // short, then closed
    SendRaw(path, { 0x11, 0x01, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0 }); // WM_COMMAND from outside
    auto quit = EncodeIpcFrame({ WM_QUIT, 0, 0 });
    std::vector<std::uint8_t> twoFrames(quit.begin(), quit.end());
    twoFrames.insert(twoFrames.end(), quit.begin(), quit.end());
    SendRaw(path, twoFrames); // only the first frame of a connection counts
    PumpFor(300);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, static_cast<DWORD>(WM_QUIT));

    // A connection that says nothing is dropped after its time is up, and
    // the listener still answers afterwards.
    int idle = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    PumpFor(2300);
    char byte;
    EXPECT_EQ(::recv(idle, &byte, 1, MSG_DONTWAIT), 0) << "the idle connection should be closed";
    ::close(idle);
    ASSERT_TRUE(PostMessageW(FindWindowW(kClass, kTitle), 1023, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return received.size() == 2; }));
}

TEST_F(WindowLinkTest, OneListenerPerSocketAndStaleSocketsAreTakenOver)
{
    ASSERT_TRUE(listener.Listen(kClass, kTitle));
    EXPECT_TRUE(listener.Listen(kClass, kTitle)); // already listening: nothing changes
    WindowListener second([](const IpcFrame&) {});
    EXPECT_FALSE(second.Listen(kClass, kTitle));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    listener.Close();

    // A crashed copy leaves its socket file with nobody listening on it.
    const std::string path = WindowSocketPath(kClass, kTitle);
    int orphan = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(orphan, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(orphan);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(FindWindowW(kClass, kTitle), nullptr);
    ASSERT_TRUE(second.Listen(kClass, kTitle));
    EXPECT_NE(FindWindowW(kClass, kTitle), nullptr);
    second.Close();

    // Something that is not a socket is never deleted to make room.
    std::ofstream(path) << "keep me";
    WindowListener third([](const IpcFrame&) {});
    EXPECT_FALSE(third.Listen(kClass, kTitle));
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(WindowLinkTest, SocketNamesAreSafeDistinctAndPerDataFolder)
{
    const std::string plain = WindowSocketPath(kClass, kTitle);
    EXPECT_NE(plain.find("kestrin-KSCLASS-Ozm_Kestrin"), std::string::npos) << plain;
    // Characters that cannot go into the name still keep windows apart.
    EXPECT_NE(WindowSocketPath(kClass, u"Ozm/Kestrin"), WindowSocketPath(kClass, u"Ozm:Kestrin"));
    EXPECT_EQ(
        WindowSocketPath(kClass, u"../../x").find('/', home.path().string().size() + 1), std::string::npos);
    EXPECT_EQ(WindowSocketPath(nullptr, kTitle), "");
    EXPECT_EQ(WindowSocketPath(kClass, u""), "");
    EXPECT_EQ(FindWindowW(nullptr, nullptr), nullptr);
    // Another data folder, another running copy.
    {
        TempHome other;
        EXPECT_NE(WindowSocketPath(kClass, kTitle), plain);
    }
    // The per-user runtime folder wins over the data folder.
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    const std::string runtime = WindowSocketPath(kClass, kTitle);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(runtime.rfind(home.path().string() + "/kestrin-", 0), 0u);
}
