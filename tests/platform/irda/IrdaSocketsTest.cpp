// The infrared stand-in on this computer: a bound listener is found by
// discovery and reached by its device id; what is not an honest ask or
// answer is ignored; a listener stops answering when it goes; one socket
// may be shut down from another thread while it blocks.

#include "LoopbackPort.h"
#include "DiscoveryWire.h"
#include "IrdaSockets.h"
#include "LastError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <string>
#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace {

SOCKADDR_IRDA_CE Service(const char* name, const std::uint8_t* device = nullptr)
{
    SOCKADDR_IRDA_CE address {};
    address.irdaAddressFamily = AF_IRDA_CE;
    if (device)
        std::memcpy(address.irdaDeviceID, device, 4);
    std::strncpy(address.irdaServiceName, name, kIrdaServiceNameSize - 1);
    return address;
}

// Waits until thread `tid` sleeps in the kernel (its state in /proc is S).
bool BlocksSoon(const std::atomic<pid_t>& tid)
{
    for (int tries = 0; tries < 2000; ++tries) {
        if (tid != 0) {
            std::ifstream stat("/proc/self/task/" + std::to_string(tid.load()) + "/stat");
            std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
            const auto end = text.rfind(')');
            if (end != std::string::npos && end + 2 < text.size() && text[end + 2] == 'S')
                return true;
        }
        std::this_thread::yield();
    }
    return false;
}

class IrdaTest : public ::testing::Test {
protected:
    IrdaTest()
    {
        port = FreeLoopbackPort();
        IrdaConfigure(IrdaScope::ThisComputer, port);
    }

    // A listener for the program's service; -1 on failure.
    int Listener()
    {
        const int fd = IrdaSocket(AF_IRDA_CE, SOCK_STREAM, 0);
        const SOCKADDR_IRDA_CE service = Service("IRKestrinServer");
        if (fd < 0 || IrdaBind(fd, reinterpret_cast<const sockaddr*>(&service), sizeof service) != 0
            || IrdaListen(fd, 5) != 0)
            return -1;
        return fd;
    }

    DEVICELIST_CE Enumerate(int fd)
    {
        DEVICELIST_CE devices {};
        socklen_t length = sizeof devices;
        EXPECT_EQ(IrdaGetSockOpt(fd, SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE, &devices, &length), 0);
        return devices;
    }

    std::uint16_t port = 0;
};

TEST_F(IrdaTest, AListenerIsFoundByDiscoveryAndReachedByItsDeviceId)
{
    const int listener = Listener();
    ASSERT_GE(listener, 0);
    sockaddr_in bound {};
    socklen_t boundLength = sizeof bound;
    ASSERT_EQ(IrdaGetSockName(listener, reinterpret_cast<sockaddr*>(&bound), &boundLength), 0);
    EXPECT_EQ(ntohl(bound.sin_addr.s_addr), INADDR_LOOPBACK) << "this computer only";

    const int client = IrdaSocket(AF_IRDA_CE, SOCK_STREAM, 0);
    const DEVICELIST_CE devices = Enumerate(client);
    ASSERT_EQ(devices.numDevice, 1u);
    char name[kIrdaDeviceNameSize];
    IrdaLocalDeviceName(name);
    EXPECT_STREQ(devices.Device[0].irdaDeviceName, name);
    const SOCKADDR_IRDA_CE target = Service("IRKestrinServer", devices.Device[0].irdaDeviceID);
    ASSERT_EQ(IrdaConnect(client, reinterpret_cast<const sockaddr*>(&target), sizeof target), 0);
    const int accepted = IrdaAccept(listener, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(IrdaSend(client, "hello", 5, 0), 5);
    char got[8] = {};
    EXPECT_EQ(IrdaRecv(accepted, got, sizeof got, 0), 5);
    EXPECT_STREQ(got, "hello");

    // Gone with its listener: nobody answers any more.
    IrdaClose(listener);
    EXPECT_EQ(Enumerate(client).numDevice, 0u);
    IrdaClose(accepted);
    IrdaClose(client);
}

TEST_F(IrdaTest, WrongRequestsFailWithTheirErrors)
{
    const int client = IrdaSocket(AF_IRDA_CE, SOCK_STREAM, 0);
    const std::uint8_t unknown[4] = { 9, 9, 9, 9 };
    const SOCKADDR_IRDA_CE nowhere = Service("IRKestrinServer", unknown);
    EXPECT_EQ(IrdaConnect(client, reinterpret_cast<const sockaddr*>(&nowhere), sizeof nowhere), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EHOSTUNREACH));

    std::uint32_t tooSmall = 0;
    socklen_t length = sizeof tooSmall;
    EXPECT_EQ(IrdaGetSockOpt(client, SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE, &tooSmall, &length), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EINVAL));

    const int plain = IrdaSocket(AF_INET, SOCK_STREAM, 0);
    DEVICELIST_CE devices {};
    length = sizeof devices;
    EXPECT_EQ(IrdaGetSockOpt(plain, SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE, &devices, &length), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOTSOCK));
    EXPECT_EQ(IrdaSocket(AF_IRDA_CE, SOCK_DGRAM, 0), -1);

    // Two receivers on one computer cannot share the discovery port.
    const int first = Listener();
    ASSERT_GE(first, 0);
    EXPECT_EQ(Listener(), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EADDRINUSE));
    for (int fd : { first, client, plain })
        IrdaClose(fd);
}

TEST_F(IrdaTest, OnlyHonestAsksForTheServiceAreAnswered)
{
    const int listener = Listener();
    ASSERT_GE(listener, 0);
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in answerer {};
    answerer.sin_family = AF_INET;
    answerer.sin_port = htons(port);
    answerer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto send = [&](const void* bytes, std::size_t size) {
        ::sendto(udp, bytes, size, 0, reinterpret_cast<sockaddr*>(&answerer), sizeof answerer);
    };
    const auto answered = [&] {
        pollfd wait { udp, POLLIN, 0 };
        std::uint8_t reply[kAnswerSize + 8];
        if (::poll(&wait, 1, 200) <= 0)
            return false;
        return ::recv(udp, reply, sizeof reply, 0) == kAnswerSize;
    };

    char other[kIrdaServiceNameSize] = "SomeOtherService";
    char ours[kIrdaServiceNameSize] = "IRKestrinServer";
    const auto askOther = MakeAsk(other);
    const auto askOurs = MakeAsk(ours);
    send("KSIR?", 5);
    EXPECT_FALSE(answered());
    send(askOther.data(), askOther.size());
    EXPECT_FALSE(answered());
    std::vector<std::uint8_t> longer(askOurs.begin(), askOurs.end());
    longer.push_back(0);
    send(longer.data(), longer.size());
    EXPECT_FALSE(answered());
    send(askOurs.data(), askOurs.size());
    EXPECT_TRUE(answered());
    char any[kIrdaServiceNameSize] = {};
    const auto askAny = MakeAsk(any);
    send(askAny.data(), askAny.size());
    EXPECT_TRUE(answered()) << "an enumeration asks every listener";

    // An answer naming port 0 or another service is not a device.
    DiscoveryAnswer noPort;
    const auto bad = MakeAnswer(ours, noPort);
    EXPECT_FALSE(ParseAnswer(bad.data(), static_cast<long>(bad.size()), ours));
    DiscoveryAnswer good;
    good.port = 4000;
    const auto forOther = MakeAnswer(other, good);
    EXPECT_FALSE(ParseAnswer(forOther.data(), static_cast<long>(forOther.size()), ours));
    ::close(udp);
    IrdaClose(listener);
}

TEST_F(IrdaTest, ShuttingDownFromAnotherThreadWakesABlockedAccept)
{
    const int listener = Listener();
    ASSERT_GE(listener, 0);
    int accepted = 0;
    std::atomic<pid_t> tid { 0 };
    std::thread waiting([&] {
        tid = gettid();
        accepted = IrdaAccept(listener, nullptr, nullptr);
    });
    ASSERT_TRUE(BlocksSoon(tid));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(IrdaShutdown(listener, SHUT_RDWR), 0);
    waiting.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(accepted, -1);
    IrdaClose(listener);
}

} // namespace
