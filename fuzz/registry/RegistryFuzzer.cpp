// Registry values are outside input: anything may have written them. This
// target stores arbitrary bytes under arbitrary names and types, then reads
// them back through the settings store's readers and checks what they give.
//
// Input: records of { type byte, name length byte, name (UTF-16, any code
// units), data length (2 bytes), data }. The registry lives in a temporary
// data folder made once per process; each run starts with an empty section.

#include "UiHooks.h"
#include "ZRegistry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr const char16_t* kSection = u"Options";

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size)
    {
    }
    bool Empty() const { return size_ == 0; }
    std::size_t Byte() { return Take(1) ? data_[-1] : 0; }
    std::size_t Word() { return Byte() | Byte() << 8; }
    // Up to `bytes` bytes (fewer at the end of the input).
    std::string Bytes(std::size_t bytes)
    {
        const std::size_t taken = std::min(bytes, size_);
        std::string result(reinterpret_cast<const char*>(data_), taken);
        Take(taken);
        return result;
    }

private:
    bool Take(std::size_t bytes)
    {
        if (bytes > size_)
            return false;
        data_ += bytes;
        size_ -= bytes;
        return true;
    }
    const std::uint8_t* data_;
    std::size_t size_;
};

std::u16string NameFrom(const std::string& bytes)
{
    std::u16string name(bytes.size() / 2, u'\0');
    std::memcpy(name.data(), bytes.data(), name.size() * 2);
    // A name ends at its first zero, as the platform reads it.
    return name.substr(0, name.find(u'\0'));
}

void CheckText(const WCHAR* text)
{
    const std::u16string_view read(text);
    if (read.size() > ZRegistry::kMaxTextChars)
        std::abort();
}

// Reads one stored value every way the store offers and checks the results
// against what was stored.
void ReadBack(ZRegistry& settings, const std::u16string& name, DWORD type, const std::string& data)
{
    const int number = settings.ReadInt(kSection, name.c_str(), 0x5EED);
    if (type == REG_DWORD && data.size() == 4) {
        int stored = 0;
        std::memcpy(&stored, data.data(), 4);
        if (number != stored)
            std::abort();
    } else if (number != 0x5EED) {
        std::abort();
    }
    WCHAR text[ZRegistry::kTextBufferChars + 1];
    text[ZRegistry::kTextBufferChars] = u'#';
    settings.ReadString(kSection, name.c_str(), u"fallback", text);
    CheckText(text);
    if (text[ZRegistry::kTextBufferChars] != u'#')
        std::abort();
    if (type != REG_SZ && std::u16string_view(text) != u"fallback")
        std::abort();
    ZString copy;
    settings.ReadZString(kSection, name.c_str(), nullptr, copy);
    if (!settings.ValueExists(kSection, name.c_str()))
        std::abort();
    settings.FindListString(kSection, name.c_str(), text, 3);
}

struct Harness {
    Harness()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        folder = pattern;
        setenv("KESTRIN_HOME", folder.c_str(), 1);
        InstallUiHooks(&quiet);
        if (settings.Open(u"Software\\Quorvalent\\Kestrin") != ERROR_SUCCESS)
            std::abort();
    }
    ~Harness()
    {
        settings.Close();
        InstallUiHooks(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path folder;
    // Write failures (names too long, say) show boxes; nobody reads them here.
    HeadlessUiHooks quiet { std::fopen("/dev/null", "w"), false };
    ZRegistry settings;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Harness harness;
    ZRegistry& settings = harness.settings;
    HKEY section = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvalent\\Kestrin\\Options", 0, nullptr, 0,
            KEY_ALL_ACCESS, nullptr, &section, nullptr)
        != ERROR_SUCCESS)
        std::abort();
    Input input(data, size);
    while (!input.Empty()) {
        const DWORD type = static_cast<DWORD>(input.Byte() % 6);
        const std::u16string name = NameFrom(input.Bytes(input.Byte() * 2));
        const std::string value = input.Bytes(input.Word() % 1024);
        if (RegSetValueExW(section, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.data()),
                static_cast<DWORD>(value.size()))
            == ERROR_SUCCESS)
            ReadBack(settings, name, type, value);
        // The store's own writers round-trip what they write.
        settings.WriteString(kSection, u"echo", name.c_str());
        WCHAR echo[ZRegistry::kTextBufferChars];
        settings.ReadString(kSection, u"echo", u"", echo);
        if (name.size() <= ZRegistry::kMaxTextChars && echo != name)
            std::abort();
    }
    RegCloseKey(section);
    settings.DeleteSection(kSection);
    return 0;
}
