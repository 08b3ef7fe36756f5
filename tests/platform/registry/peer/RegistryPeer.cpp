// A second process on the registry of $KESTRIN_HOME, driven by the store's
// tests:
//   registry_peer set <key> <value> <number>       writes a REG_DWORD
//   registry_peer get <key> <value>                prints the REG_DWORD
//   registry_peer fill <key> <prefix> <count>      writes <prefix>0 … as 0 …
// Key and value names are ASCII. The exit code is the first error code.

#include "Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::u16string Wide(const char* text)
{
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

LONG SetNumber(HKEY key, const std::u16string& name, DWORD number)
{
    return RegSetValueExW(
        key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

LONG Run(int argc, char** argv, HKEY key)
{
    const std::string command = argv[1];
    if (command == "set" && argc == 5)
        return SetNumber(key, Wide(argv[3]), static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)));
    if (command == "get" && argc == 4) {
        DWORD number = 0;
        DWORD bytes = sizeof number;
        const LONG result = RegQueryValueExW(
            key, Wide(argv[3]).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &bytes);
        if (result == ERROR_SUCCESS)
            std::printf("%u\n", number);
        return result;
    }
    if (command == "fill" && argc == 5) {
        const long count = std::strtol(argv[4], nullptr, 10);
        for (long i = 0; i < count; ++i) {
            const LONG result
                = SetNumber(key, Wide(argv[3]) + Wide(std::to_string(i).c_str()), static_cast<DWORD>(i));
            if (result != ERROR_SUCCESS)
                return result;
        }
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(argv[2]).c_str(), 0, nullptr,
        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = Run(argc, argv, key);
        RegCloseKey(key);
    }
    return result;
}
