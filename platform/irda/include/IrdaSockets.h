#pragma once
// The infrared transport's stand-in: socket calls that understand the
// handheld's infrared address family (AF_IRDA_CE, 22) and carry it over TCP
// on this computer or the local network. Every other family passes straight
// through to the POSIX call of the same name.
//
// What the infrared family means here:
//   IrdaSocket(AF_IRDA_CE, stream)  a TCP socket (IPv4).
//   IrdaBind(service address)        binds it to an ephemeral port on the
//       discovery scope's interface and, while the socket lives, answers the
//       discovery datagrams that ask for that service name (a one-shot
//       "device in range").
//   IrdaGetSockOpt(SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE)  asks once which
//       devices are there (one UDP datagram to the discovery port, the first
//       answer awaited up to kIrdaAnswerWaitMs) and fills a DEVICELIST_CE;
//       each found device is remembered by its id.
//   IrdaConnect(service address with a device id)  connects to the TCP port
//       that device answered with.
// Discovery scope (IrdaConfigure): ThisComputer uses 127.0.0.1 only (the
// default, and what every test uses); LocalNetwork binds the listener and
// the discovery answerer on all interfaces and asks by broadcast.
//
// Failures return -1 (SOCKET_ERROR) and set the per-thread last error to the
// errno value. Send never raises SIGPIPE. All functions are thread-safe; in
// particular one thread may shut a socket down while another blocks in it
// (a blocked accept or receive then returns).

#include "WinTypes.h"

#include <cstdint>

#include <sys/socket.h>

// The handheld's constants (distinct from Linux's own AF_IRDA, 23).
inline constexpr int AF_IRDA_CE = 22;
inline constexpr int SOL_IRLMP_CE = 255;
inline constexpr int IRLMP_ENUMDEVICES_CE = 16;
inline constexpr int kIrdaServiceNameSize = 25;
inline constexpr int kIrdaDeviceNameSize = 22;

// The infrared socket address: family, 4-byte device id (0 for a listener),
// service name zero-filled (32 bytes in all, as on the device).
struct SOCKADDR_IRDA_CE {
    std::uint16_t irdaAddressFamily;
    std::uint8_t irdaDeviceID[4];
    char irdaServiceName[kIrdaServiceNameSize];
    char padding;
};
static_assert(sizeof(SOCKADDR_IRDA_CE) == 32);

struct IRDA_DEVICE_INFO_CE {
    std::uint8_t irdaDeviceID[4];
    char irdaDeviceName[kIrdaDeviceNameSize];
    std::uint8_t reserved[2];
};
static_assert(sizeof(IRDA_DEVICE_INFO_CE) == 28);

// The enumeration's answer: a count and room for one device (32 bytes); a
// larger buffer holds more devices after the first.
struct DEVICELIST_CE {
    std::uint32_t numDevice;
    IRDA_DEVICE_INFO_CE Device[1];
};
static_assert(sizeof(DEVICELIST_CE) == 32);

enum class IrdaScope {
    ThisComputer, // 127.0.0.1 only
    LocalNetwork, // all interfaces, broadcast discovery
};

// Where discovery goes and the UDP port it uses. Takes effect for sockets
// bound and enumerations made afterwards.
void IrdaConfigure(IrdaScope scope, std::uint16_t discoveryPort);
IrdaScope IrdaCurrentScope();
std::uint16_t IrdaDiscoveryPort();
inline constexpr std::uint16_t kIrdaDefaultDiscoveryPort = 47069;
// How long one enumeration waits for an answer, in milliseconds.
inline constexpr int kIrdaAnswerWaitMs = 300;

// This computer's name as devices show it (host name, cut to 21 bytes).
void IrdaLocalDeviceName(char (&name)[kIrdaDeviceNameSize]);

int IrdaSocket(int family, int type, int protocol);
int IrdaBind(int fd, const sockaddr* address, socklen_t length);
int IrdaListen(int fd, int backlog);
int IrdaAccept(int fd, sockaddr* address, socklen_t* length);
int IrdaConnect(int fd, const sockaddr* address, socklen_t length);
long IrdaSend(int fd, const void* buffer, std::size_t length, int flags);
long IrdaRecv(int fd, void* buffer, std::size_t length, int flags);
long IrdaSendTo(int fd, const void* buffer, std::size_t length, int flags, const sockaddr* to, socklen_t toLength);
long IrdaRecvFrom(int fd, void* buffer, std::size_t length, int flags, sockaddr* from, socklen_t* fromLength);
int IrdaGetSockOpt(int fd, int level, int option, void* value, socklen_t* length);
int IrdaSetSockOpt(int fd, int level, int option, const void* value, socklen_t length);
int IrdaIoctl(int fd, unsigned long command, unsigned long* argument);
int IrdaGetSockName(int fd, sockaddr* address, socklen_t* length);
int IrdaGetPeerName(int fd, sockaddr* address, socklen_t* length);
// Shuts the socket down (a listener also stops answering discovery).
int IrdaShutdown(int fd, int how);
// Closes the socket and forgets what the stand-in kept for it.
int IrdaClose(int fd);
