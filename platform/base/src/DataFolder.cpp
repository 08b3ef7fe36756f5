#include "DataFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

const char* NonEmptyEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

namespace {

std::filesystem::path HomeFolder()
{
    if (const char* home = NonEmptyEnvironment("HOME"))
        return home;
    // Services started without an environment still have a password entry.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::current_path();
}

} // namespace

std::filesystem::path DataFolder()
{
    if (const char* home = NonEmptyEnvironment("KESTRIN_HOME"))
        return home;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const char* data = NonEmptyEnvironment("XDG_DATA_HOME"); data && data[0] == '/')
        return std::filesystem::path(data) / "kestrin";
    return HomeFolder() / ".local" / "share" / "kestrin";
}
