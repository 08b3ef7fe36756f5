#pragma once
// Where a timing program runs: a data folder of its own under the temporary
// folder (KESTRIN_HOME, with the window socket in it), so a run never
// touches the user's journal or a running program; the entry count from the
// command line; and, for programs with windows, the offscreen platform
// unless the caller chose one.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

// Makes "<temp>/kestrin-bench-<name>-XXXXXX" the data folder; the folder,
// or empty when it cannot be made.
inline std::filesystem::path UseFreshDataFolder(const char* name)
{
    std::string folder = (std::filesystem::temp_directory_path() / ("kestrin-bench-" + std::string(name) + "-XXXXXX")).string();
    if (::mkdtemp(folder.data()) == nullptr)
        return {};
    ::setenv("KESTRIN_HOME", folder.c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    return folder;
}

// The first argument as a count, or `fallback` without one.
inline int CountArgument(int argc, char* argv[], int fallback)
{
    return argc > 1 ? std::atoi(argv[1]) : fallback;
}

inline void DrawOffscreenUnlessChosen()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace bench
