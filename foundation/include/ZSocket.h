#pragma once
// ZSocket: the owner of one socket descriptor, with one operation per socket
// call of the platform (the calls of IrdaSockets.h, which carry the
// handheld's infrared family over TCP and pass every other family through).
// Results are the platform's: 0 or -1 (SOCKET_ERROR), byte counts, or a
// descriptor; after a failure the per-thread last error holds the errno
// value. No operation retries or shows anything.
//
// The held descriptor is -1 (INVALID_SOCKET) when none. It is atomic, so
// the user-interface thread may call Shutdown or Close while the worker
// blocks in Accept, Receive or Send on the same object: the blocked call
// then returns. The destructor releases nothing: the user closes the socket
// before the object goes.

#include "WinTypes.h"

#include <atomic>

#include <sys/socket.h>

using SOCKET = int;
inline constexpr SOCKET INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;
// Shutdown directions.
inline constexpr int SD_RECEIVE = SHUT_RD;
inline constexpr int SD_SEND = SHUT_WR;
inline constexpr int SD_BOTH = SHUT_RDWR;

class ZSocket {
public:
    ZSocket() = default;
    virtual ~ZSocket() = default;
    ZSocket(const ZSocket&) = delete;
    ZSocket& operator=(const ZSocket&) = delete;

    // Makes a socket and holds it (-1 on failure); returns the descriptor.
    SOCKET Create(int family, int type, int protocol);
    int Bind(const sockaddr* address, socklen_t length);
    int Listen(int backlog);
    // The accepted connection's descriptor, or -1; the listener stays held.
    SOCKET Accept(sockaddr* address, socklen_t* length);
    int Connect(const sockaddr* address, socklen_t length);
    int Send(const void* buffer, int length, int flags);
    // Bytes received, 0 when the peer closed, -1 on failure.
    int Receive(void* buffer, int length, int flags);
    int SendTo(const void* buffer, int length, int flags, const sockaddr* to, socklen_t toLength);
    // Bytes received or -1; on success the first 16 bytes of the sender's
    // address are copied to `from`.
    int ReceiveFrom(void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength);
    int GetOption(int level, int option, void* value, socklen_t* length);
    int SetOption(int level, int option, const void* value, socklen_t length);
    int Ioctl(unsigned long command, unsigned long* argument);
    // 0 or -1; on success the first 16 bytes of the address are copied.
    int GetLocalName(sockaddr* address, socklen_t* length);
    int GetPeerName(sockaddr* address, socklen_t* length);
    // 0 when no socket is held or the call worked; else the last error.
    int Shutdown(int how);
    // Closes the held socket, if any; the object then holds none. Returns 0.
    int Close();
    // Closes a held socket first, then holds `fd`; returns it.
    SOCKET Attach(SOCKET fd);
    // Holds `fd` only when none is held and fd is not 0; 1 when it did.
    int AttachIfNone(SOCKET fd);
    // 1 when the held descriptor is `fd`.
    int Is(SOCKET fd) const { return m_socket.load() == fd ? 1 : 0; }
    SOCKET Handle() const { return m_socket.load(); }

private:
    // Copies at most 16 bytes of `from` into the caller's address.
    static void CopyAddress(const sockaddr_storage& from, socklen_t got, sockaddr* to, socklen_t* length);

    std::atomic<SOCKET> m_socket { INVALID_SOCKET };
};
