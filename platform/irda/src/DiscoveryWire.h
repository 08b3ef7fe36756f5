#pragma once
// The discovery datagrams of the infrared stand-in (private to it).
//   ask:    "KSIR?" (5 bytes), service name (25 bytes, zero-filled; all
//           zero asks every listener, as the device enumeration does)
//   answer: "KSIR!" (5 bytes), service name (25), device id (4, as given),
//           TCP port (2, big-endian), device name (22, zero-filled)
// Anything else, shorter or longer, is ignored by both sides.

#include "IrdaSockets.h"

#include <array>
#include <cstdint>
#include <optional>

inline constexpr int kAskSize = 5 + kIrdaServiceNameSize;
inline constexpr int kAnswerSize = kAskSize + 4 + 2 + kIrdaDeviceNameSize;

struct DiscoveryAnswer {
    std::array<std::uint8_t, 4> deviceId {};
    std::uint16_t port = 0;
    std::array<char, kIrdaDeviceNameSize> name {};
};

// True when an ask for `asked` concerns a listener of `offered`.
bool AskConcerns(const char (&asked)[kIrdaServiceNameSize], const char (&offered)[kIrdaServiceNameSize]);
std::array<std::uint8_t, kAskSize> MakeAsk(const char (&service)[kIrdaServiceNameSize]);
// The service asked for, when `bytes` is an ask.
bool ParseAsk(const std::uint8_t* bytes, long size, char (&service)[kIrdaServiceNameSize]);
std::array<std::uint8_t, kAnswerSize> MakeAnswer(
    const char (&service)[kIrdaServiceNameSize], const DiscoveryAnswer& answer);
// The answer, when `bytes` answers for `service` (any service when
// `service` is empty).
std::optional<DiscoveryAnswer> ParseAnswer(
    const std::uint8_t* bytes, long size, const char (&service)[kIrdaServiceNameSize]);
