#include "ZSocket.h"

#include "IrdaSockets.h"
#include "LastError.h"

#include <algorithm>
#include <cstring>

SOCKET ZSocket::Create(int family, int type, int protocol)
{
    const SOCKET fd = IrdaSocket(family, type, protocol);
    m_socket = fd < 0 ? INVALID_SOCKET : fd;
    return m_socket;
}

int ZSocket::Bind(const sockaddr* address, socklen_t length)
{
    return IrdaBind(m_socket, address, length);
}

int ZSocket::Listen(int backlog)
{
    return IrdaListen(m_socket, backlog);
}

SOCKET ZSocket::Accept(sockaddr* address, socklen_t* length)
{
    return IrdaAccept(m_socket, address, length);
}

int ZSocket::Connect(const sockaddr* address, socklen_t length)
{
    return IrdaConnect(m_socket, address, length);
}

int ZSocket::Send(const void* buffer, int length, int flags)
{
    return static_cast<int>(IrdaSend(m_socket, buffer, static_cast<std::size_t>(std::max(length, 0)), flags));
}

int ZSocket::Receive(void* buffer, int length, int flags)
{
    return static_cast<int>(IrdaRecv(m_socket, buffer, static_cast<std::size_t>(std::max(length, 0)), flags));
}

int ZSocket::SendTo(const void* buffer, int length, int flags, const sockaddr* to, socklen_t toLength)
{
    return static_cast<int>(
        IrdaSendTo(m_socket, buffer, static_cast<std::size_t>(std::max(length, 0)), flags, to, toLength));
}

void ZSocket::CopyAddress(const sockaddr_storage& from, socklen_t got, sockaddr* to, socklen_t* length)
{
    if (to == nullptr || length == nullptr)
        return;
    const socklen_t copied = std::min<socklen_t>({ got, *length, 16 });
    std::memcpy(to, &from, copied);
    *length = copied;
}

int ZSocket::ReceiveFrom(void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength)
{
    sockaddr_storage sender {};
    socklen_t senderLength = sizeof sender;
    const int got = static_cast<int>(IrdaRecvFrom(m_socket, buffer, static_cast<std::size_t>(std::max(length, 0)),
        flags, reinterpret_cast<sockaddr*>(&sender), &senderLength));
    if (got >= 0)
        CopyAddress(sender, senderLength, from, fromLength);
    return got;
}

int ZSocket::GetOption(int level, int option, void* value, socklen_t* length)
{
    return IrdaGetSockOpt(m_socket, level, option, value, length);
}

int ZSocket::SetOption(int level, int option, const void* value, socklen_t length)
{
    return IrdaSetSockOpt(m_socket, level, option, value, length);
}

int ZSocket::Ioctl(unsigned long command, unsigned long* argument)
{
    return IrdaIoctl(m_socket, command, argument);
}

int ZSocket::GetLocalName(sockaddr* address, socklen_t* length)
{
    sockaddr_storage own {};
    socklen_t ownLength = sizeof own;
    const int result = IrdaGetSockName(m_socket, reinterpret_cast<sockaddr*>(&own), &ownLength);
    if (result == 0)
        CopyAddress(own, ownLength, address, length);
    return result;
}

int ZSocket::GetPeerName(sockaddr* address, socklen_t* length)
{
    sockaddr_storage peer {};
    socklen_t peerLength = sizeof peer;
    const int result = IrdaGetPeerName(m_socket, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (result == 0)
        CopyAddress(peer, peerLength, address, length);
    return result;
}

int ZSocket::Shutdown(int how)
{
    const SOCKET fd = m_socket.load();
    if (fd == INVALID_SOCKET || IrdaShutdown(fd, how) == 0)
        return 0;
    return static_cast<int>(GetLastError());
}

int ZSocket::Close()
{
    const SOCKET fd = m_socket.exchange(INVALID_SOCKET);
    if (fd != INVALID_SOCKET)
        IrdaClose(fd);
    return 0;
}

SOCKET ZSocket::Attach(SOCKET fd)
{
    Close();
    m_socket = fd;
    return fd;
}

int ZSocket::AttachIfNone(SOCKET fd)
{
    if (fd == 0)
        return 0;
    SOCKET none = INVALID_SOCKET;
    return m_socket.compare_exchange_strong(none, fd) ? 1 : 0;
}
