#pragma once
// A port on 127.0.0.1 that nobody uses now, for the tests and timing
// programs that listen on loopback: the system picks one for a socket of
// `type` (SOCK_DGRAM for UDP, SOCK_STREAM for TCP), which is let go at once.
// 0 when none could be had. Header-only, so a timing program uses it
// without the test libraries.
#include <cstdint>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline std::uint16_t FreeLoopbackPort(int type = SOCK_DGRAM)
{
    const int fd = ::socket(AF_INET, type, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}
