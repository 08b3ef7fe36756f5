#include "SocketFolder.h"

#include "DataFolder.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>

namespace {

// FNV-1a over the bytes of a text; stable across runs and builds.
void Hash(std::uint64_t& state, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        state ^= bytes[i];
        state *= 1099511628211ull;
    }
}

std::string Hex(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[i] = digits[value & 0xF];
    return text;
}

// Appends the name with unsafe characters replaced; returns whether the
// text came through unchanged. At most 40 characters are kept.
bool AppendSafe(std::string& out, LPCWSTR text, std::uint64_t& hash)
{
    bool exact = true;
    std::size_t length = 0;
    for (; text[length]; ++length) {
        const char16_t ch = text[length];
        const bool safe
            = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9');
        if (length < 40)
            out += safe ? static_cast<char>(ch) : '_';
        exact = exact && safe && length < 40;
    }
    Hash(hash, text, length * sizeof(char16_t));
    Hash(hash, "\0\0", 2);
    return exact;
}

} // namespace

std::string SocketFolder()
{
    if (const char* runtime = NonEmptyEnvironment("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
        return runtime;
    const std::filesystem::path data = DataFolder();
    if (data.empty())
        return {};
    std::error_code ignored;
    std::filesystem::create_directories(data, ignored);
    return data.string();
}

std::string SocketFileName(LPCWSTR className, LPCWSTR title)
{
    if (!className || !*className || !title || !*title)
        return {};
    std::uint64_t hash = 14695981039346656037ull;
    std::string name = "kestrin-";
    bool exact = AppendSafe(name, className, hash);
    name += '-';
    exact = AppendSafe(name, title, hash) && exact;
    if (!exact)
        name += '-' + Hex(hash).substr(0, 8);
    if (const char* home = NonEmptyEnvironment("KESTRIN_HOME")) {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::weakly_canonical(home, error);
        const std::string key = error ? std::string(home) : folder.string();
        std::uint64_t homeHash = 14695981039346656037ull;
        Hash(homeHash, key.data(), key.size());
        name += '-' + Hex(homeHash).substr(0, 12);
    }
    return name + ".sock";
}
