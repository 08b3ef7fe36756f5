#include "DiscoveryWire.h"

#include <cstring>

namespace {

constexpr char kAskMagic[5] = { 'K', 'S', 'I', 'R', '?' };
constexpr char kAnswerMagic[5] = { 'K', 'S', 'I', 'R', '!' };

} // namespace

std::array<std::uint8_t, kAskSize> MakeAsk(const char (&service)[kIrdaServiceNameSize])
{
    std::array<std::uint8_t, kAskSize> ask {};
    std::memcpy(ask.data(), kAskMagic, 5);
    std::memcpy(ask.data() + 5, service, kIrdaServiceNameSize);
    return ask;
}

bool ParseAsk(const std::uint8_t* bytes, long size, char (&service)[kIrdaServiceNameSize])
{
    if (size != kAskSize || std::memcmp(bytes, kAskMagic, 5) != 0)
        return false;
    std::memcpy(service, bytes + 5, kIrdaServiceNameSize);
    return true;
}

std::array<std::uint8_t, kAnswerSize> MakeAnswer(
    const char (&service)[kIrdaServiceNameSize], const DiscoveryAnswer& answer)
{
    std::array<std::uint8_t, kAnswerSize> out {};
    std::uint8_t* p = out.data();
    std::memcpy(p, kAnswerMagic, 5);
    std::memcpy(p + 5, service, kIrdaServiceNameSize);
    p += kAskSize;
    std::memcpy(p, answer.deviceId.data(), 4);
    p[4] = static_cast<std::uint8_t>(answer.port >> 8);
    p[5] = static_cast<std::uint8_t>(answer.port & 0xFF);
    std::memcpy(p + 6, answer.name.data(), kIrdaDeviceNameSize);
    return out;
}

bool AskConcerns(const char (&asked)[kIrdaServiceNameSize], const char (&offered)[kIrdaServiceNameSize])
{
    static const char kAny[kIrdaServiceNameSize] = {};
    return std::memcmp(asked, kAny, kIrdaServiceNameSize) == 0
        || std::memcmp(asked, offered, kIrdaServiceNameSize) == 0;
}

std::optional<DiscoveryAnswer> ParseAnswer(
    const std::uint8_t* bytes, long size, const char (&service)[kIrdaServiceNameSize])
{
    char offered[kIrdaServiceNameSize];
    if (size != kAnswerSize || std::memcmp(bytes, kAnswerMagic, 5) != 0)
        return std::nullopt;
    std::memcpy(offered, bytes + 5, kIrdaServiceNameSize);
    if (!AskConcerns(service, offered))
        return std::nullopt;
    const std::uint8_t* p = bytes + kAskSize;
    DiscoveryAnswer answer;
    std::memcpy(answer.deviceId.data(), p, 4);
    answer.port = static_cast<std::uint16_t>((p[4] << 8) | p[5]);
    std::memcpy(answer.name.data(), p + 6, kIrdaDeviceNameSize);
    answer.name.back() = '\0';
    if (answer.port == 0)
        return std::nullopt;
    return answer;
}
