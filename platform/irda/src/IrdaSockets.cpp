#include "IrdaSockets.h"

#include "DiscoveryAnswerer.h"
#include "DiscoveryWire.h"
#include "LastError.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::atomic<IrdaScope> g_scope { IrdaScope::ThisComputer };
std::atomic<std::uint16_t> g_port { kIrdaDefaultDiscoveryPort };

// What the stand-in keeps: which descriptors are infrared sockets, the
// discovery answerer of each bound listener, and the devices found so far.
struct State {
    std::mutex mutex;
    std::set<int> infrared;
    std::map<int, std::unique_ptr<DiscoveryAnswerer>> answerers;
    std::map<std::uint32_t, sockaddr_in> devices;
};

State& TheState()
{
    static State state;
    return state;
}

int Fail(int error)
{
    SetLastError(static_cast<DWORD>(error));
    return -1;
}

// -1 with the last error from errno, else the result.
template <typename Result> Result Checked(Result result)
{
    if (result < 0)
        SetLastError(static_cast<DWORD>(errno));
    return result;
}

bool IsInfrared(int fd)
{
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    return state.infrared.count(fd) != 0;
}

const SOCKADDR_IRDA_CE* AsIrdaAddress(const sockaddr* address, socklen_t length)
{
    if (address == nullptr || length < static_cast<socklen_t>(sizeof(SOCKADDR_IRDA_CE)))
        return nullptr;
    const auto* irda = reinterpret_cast<const SOCKADDR_IRDA_CE*>(address);
    return irda->irdaAddressFamily == AF_IRDA_CE ? irda : nullptr;
}

std::uint32_t DeviceKey(const std::uint8_t (&id)[4])
{
    return static_cast<std::uint32_t>(id[0]) | (id[1] << 8) | (id[2] << 16) | (static_cast<std::uint32_t>(id[3]) << 24);
}

// A fresh nonzero device id for a listener.
std::array<std::uint8_t, 4> NewDeviceId()
{
    static std::mutex mutex;
    static std::mt19937 generator { std::random_device {}() };
    std::lock_guard lock(mutex);
    std::uint32_t id = 0;
    while (id == 0)
        id = generator();
    return { static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
        static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24) };
}

sockaddr_in ScopeAddress(IrdaScope scope, std::uint16_t port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(scope == IrdaScope::ThisComputer ? INADDR_LOOPBACK : INADDR_ANY);
    return address;
}

int BindService(int fd, const SOCKADDR_IRDA_CE& service)
{
    const IrdaScope scope = g_scope.load();
    sockaddr_in address = ScopeAddress(scope, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return Fail(errno);
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return Fail(errno);

    DiscoveryAnswer answer;
    answer.deviceId = NewDeviceId();
    answer.port = ntohs(address.sin_port);
    char name[kIrdaDeviceNameSize];
    IrdaLocalDeviceName(name);
    std::memcpy(answer.name.data(), name, kIrdaDeviceNameSize);
    char serviceName[kIrdaServiceNameSize];
    std::memcpy(serviceName, service.irdaServiceName, kIrdaServiceNameSize);
    auto answerer = std::make_unique<DiscoveryAnswerer>();
    if (!answerer->Start(ScopeAddress(scope, g_port.load()), serviceName, answer))
        return Fail(static_cast<int>(GetLastError()));
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    state.answerers[fd] = std::move(answerer);
    return 0;
}

// Asks once who offers `service` and waits briefly for the first answer.
int EnumerateDevices(const char (&service)[kIrdaServiceNameSize], DEVICELIST_CE* list, socklen_t* length)
{
    if (list == nullptr || length == nullptr || *length < static_cast<socklen_t>(sizeof(DEVICELIST_CE)))
        return Fail(EINVAL);
    const int room = 1 + static_cast<int>((*length - sizeof(DEVICELIST_CE)) / sizeof(IRDA_DEVICE_INFO_CE));
    list->numDevice = 0;

    const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udp < 0)
        return Fail(errno);
    const IrdaScope scope = g_scope.load();
    sockaddr_in target = ScopeAddress(scope, g_port.load());
    if (scope == IrdaScope::LocalNetwork) {
        const int on = 1;
        ::setsockopt(udp, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    }
    const auto ask = MakeAsk(service);
    if (::sendto(udp, ask.data(), ask.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target) < 0) {
        const int error = errno;
        ::close(udp);
        // Nobody listening on this computer is not a failure of the port.
        if (error == ECONNREFUSED)
            return 0;
        return Fail(error);
    }

    std::uint8_t buffer[kAnswerSize + 1];
    pollfd wait { udp, POLLIN, 0 };
    while (static_cast<int>(list->numDevice) < room && ::poll(&wait, 1, kIrdaAnswerWaitMs) > 0) {
        sockaddr_in from {};
        socklen_t fromLength = sizeof from;
        const long got = ::recvfrom(udp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0)
            break;
        const auto answer = ParseAnswer(buffer, got, service);
        if (!answer)
            continue;
        IRDA_DEVICE_INFO_CE& device = list->Device[list->numDevice++];
        std::memcpy(device.irdaDeviceID, answer->deviceId.data(), 4);
        std::memcpy(device.irdaDeviceName, answer->name.data(), kIrdaDeviceNameSize);
        from.sin_port = htons(answer->port);
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        state.devices[DeviceKey(device.irdaDeviceID)] = from;
        // One device is what the handheld's enumeration buffer holds; stop
        // at the first answer rather than wait out the others.
        break;
    }
    ::close(udp);
    return 0;
}

int ConnectToDevice(int fd, const SOCKADDR_IRDA_CE& service)
{
    sockaddr_in address {};
    {
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        const auto found = state.devices.find(DeviceKey(service.irdaDeviceID));
        if (found == state.devices.end())
            return Fail(EHOSTUNREACH);
        address = found->second;
    }
    return Checked(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
}

void StopAnswering(int fd)
{
    std::unique_ptr<DiscoveryAnswerer> answerer;
    {
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        const auto found = state.answerers.find(fd);
        if (found == state.answerers.end())
            return;
        answerer = std::move(found->second);
        state.answerers.erase(found);
    }
    // Stopped outside the lock: the answerer's thread never takes it.
    answerer.reset();
}

} // namespace

void IrdaConfigure(IrdaScope scope, std::uint16_t discoveryPort)
{
    g_scope = scope;
    g_port = discoveryPort;
}

IrdaScope IrdaCurrentScope()
{
    return g_scope.load();
}

std::uint16_t IrdaDiscoveryPort()
{
    return g_port.load();
}

void IrdaLocalDeviceName(char (&name)[kIrdaDeviceNameSize])
{
    std::memset(name, 0, kIrdaDeviceNameSize);
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        std::strcpy(host, "localhost");
    std::strncpy(name, host, kIrdaDeviceNameSize - 1);
}

int IrdaSocket(int family, int type, int protocol)
{
    if (family != AF_IRDA_CE)
        return Checked(::socket(family, type | SOCK_CLOEXEC, protocol));
    if (type != SOCK_STREAM)
        return Fail(ESOCKTNOSUPPORT);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Fail(errno);
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    state.infrared.insert(fd);
    return fd;
}

int IrdaBind(int fd, const sockaddr* address, socklen_t length)
{
    if (const SOCKADDR_IRDA_CE* service = AsIrdaAddress(address, length); service && IsInfrared(fd))
        return BindService(fd, *service);
    return Checked(::bind(fd, address, length));
}

int IrdaListen(int fd, int backlog)
{
    return Checked(::listen(fd, backlog));
}

int IrdaAccept(int fd, sockaddr* address, socklen_t* length)
{
    return Checked(::accept4(fd, address, length, SOCK_CLOEXEC));
}

int IrdaConnect(int fd, const sockaddr* address, socklen_t length)
{
    if (const SOCKADDR_IRDA_CE* service = AsIrdaAddress(address, length); service && IsInfrared(fd))
        return ConnectToDevice(fd, *service);
    return Checked(::connect(fd, address, length));
}

long IrdaSend(int fd, const void* buffer, std::size_t length, int flags)
{
    return Checked(::send(fd, buffer, length, flags | MSG_NOSIGNAL));
}

long IrdaRecv(int fd, void* buffer, std::size_t length, int flags)
{
    return Checked(::recv(fd, buffer, length, flags));
}

long IrdaSendTo(int fd, const void* buffer, std::size_t length, int flags, const sockaddr* to, socklen_t toLength)
{
    return Checked(::sendto(fd, buffer, length, flags | MSG_NOSIGNAL, to, toLength));
}

long IrdaRecvFrom(int fd, void* buffer, std::size_t length, int flags, sockaddr* from, socklen_t* fromLength)
{
    return Checked(::recvfrom(fd, buffer, length, flags, from, fromLength));
}

int IrdaGetSockOpt(int fd, int level, int option, void* value, socklen_t* length)
{
    if (level == SOL_IRLMP_CE && option == IRLMP_ENUMDEVICES_CE) {
        if (!IsInfrared(fd))
            return Fail(ENOTSOCK);
        // Devices in range, whatever they offer: the connect names the service.
        static const char kAnyService[kIrdaServiceNameSize] = {};
        return EnumerateDevices(kAnyService, static_cast<DEVICELIST_CE*>(value), length);
    }
    return Checked(::getsockopt(fd, level, option, value, length));
}

int IrdaSetSockOpt(int fd, int level, int option, const void* value, socklen_t length)
{
    return Checked(::setsockopt(fd, level, option, value, length));
}

int IrdaIoctl(int fd, unsigned long command, unsigned long* argument)
{
    int value = argument ? static_cast<int>(*argument) : 0;
    const int result = Checked(::ioctl(fd, command, &value));
    if (result == 0 && argument)
        *argument = static_cast<unsigned long>(value);
    return result;
}

int IrdaGetSockName(int fd, sockaddr* address, socklen_t* length)
{
    return Checked(::getsockname(fd, address, length));
}

int IrdaGetPeerName(int fd, sockaddr* address, socklen_t* length)
{
    return Checked(::getpeername(fd, address, length));
}

int IrdaShutdown(int fd, int how)
{
    StopAnswering(fd);
    return Checked(::shutdown(fd, how));
}

int IrdaClose(int fd)
{
    StopAnswering(fd);
    {
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        state.infrared.erase(fd);
    }
    return Checked(::close(fd));
}
