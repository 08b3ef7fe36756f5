#pragma once
// The discovery answerer of one bound infrared listener: a thread that
// answers every ask for its service on the discovery port with the
// listener's device id, TCP port and name, until it is stopped (its
// destructor stops it and waits for the thread). Private to the stand-in.

#include "DiscoveryWire.h"

#include <thread>

#include <netinet/in.h>

class DiscoveryAnswerer {
public:
    DiscoveryAnswerer() = default;
    ~DiscoveryAnswerer();
    DiscoveryAnswerer(const DiscoveryAnswerer&) = delete;
    DiscoveryAnswerer& operator=(const DiscoveryAnswerer&) = delete;

    // Binds the UDP socket at `where` and starts answering. False (last
    // error set) when the port cannot be had, e.g. another receiver has it.
    bool Start(const sockaddr_in& where, const char (&service)[kIrdaServiceNameSize], const DiscoveryAnswer& answer);

private:
    void Run();

    int udp_ = -1;
    int wake_[2] = { -1, -1 };
    char service_[kIrdaServiceNameSize] = {};
    DiscoveryAnswer answer_;
    std::thread thread_;
};
