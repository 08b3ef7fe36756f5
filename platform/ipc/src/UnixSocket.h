#pragma once
// A connected Unix stream socket of the client side, closed with the object.

#include <cstddef>
#include <string>

// Longest socket path (with its terminating zero) a socket address holds.
inline constexpr std::size_t kMaxSocketPath = 108;

class UnixSocket {
public:
    UnixSocket() = default;
    ~UnixSocket();
    UnixSocket(UnixSocket&& other) noexcept;
    UnixSocket& operator=(UnixSocket&& other) noexcept;
    UnixSocket(const UnixSocket&) = delete;
    UnixSocket& operator=(const UnixSocket&) = delete;

    // Connects to `path` without waiting: a socket file with no listener, or
    // a listener whose queue is full, gives a closed object.
    static UnixSocket Connect(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    // Sends every byte (waiting at most a second for room); false on failure.
    bool SendAll(const void* data, std::size_t size);

private:
    explicit UnixSocket(int fd)
        : fd_(fd)
    {
    }
    int fd_ = -1;
};
