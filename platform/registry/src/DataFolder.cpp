#include "DataFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

const char* NonEmptyVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::filesystem::path HomeFolder()
{
    if (const char* home = NonEmptyVariable("HOME"))
        return home;
    // Services started without an environment still have a password entry.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::current_path();
}

} // namespace

std::filesystem::path DataFolder()
{
    if (const char* home = NonEmptyVariable("KESTRIN_HOME"))
        return home;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const char* data = NonEmptyVariable("XDG_DATA_HOME"); data && data[0] == '/')
        return std::filesystem::path(data) / "kestrin";
    return HomeFolder() / ".local" / "share" / "kestrin";
}
