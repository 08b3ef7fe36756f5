#include "DiscoveryAnswerer.h"

#include "LastError.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

DiscoveryAnswerer::~DiscoveryAnswerer()
{
    if (thread_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const auto written = ::write(wake_[1], &stop, 1);
        thread_.join();
    }
    for (int fd : { udp_, wake_[0], wake_[1] })
        if (fd >= 0)
            ::close(fd);
}

bool DiscoveryAnswerer::Start(
    const sockaddr_in& where, const char (&service)[kIrdaServiceNameSize], const DiscoveryAnswer& answer)
{
    std::memcpy(service_, service, kIrdaServiceNameSize);
    answer_ = answer;
    udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udp_ < 0 || ::pipe2(wake_, O_CLOEXEC) != 0
        || ::bind(udp_, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void DiscoveryAnswerer::Run()
{
    pollfd waits[2] = { { udp_, POLLIN, 0 }, { wake_[0], POLLIN, 0 } };
    std::uint8_t buffer[kAskSize + 1];
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waits[1].revents != 0)
            return;
        sockaddr_in from {};
        socklen_t fromLength = sizeof from;
        const long got = ::recvfrom(udp_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        char service[kIrdaServiceNameSize];
        if (got < 0 || !ParseAsk(buffer, got, service) || !AskConcerns(service, service_))
            continue;
        const auto reply = MakeAnswer(service_, answer_);
        ::sendto(udp_, reply.data(), reply.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}
