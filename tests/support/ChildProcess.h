#pragma once
// Runs a piece of a test in a forked child process, for what must not touch
// the test process itself: losing root rights (so that file modes bind, as
// they do for every ordinary user), or a private mount namespace with a small
// disk to fill. The child reports back one line of text through a pipe: ""
// for success, else what went wrong.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

enum class ChildRights {
    // Run as the test runs, except that a root test drops to user 65534.
    OrdinaryUser,
    // Run in a mount namespace of its own (MountSmallDisk needs it).
    OwnMountNamespace,
};

// The text a child returns when it could not get its namespace or mount.
inline constexpr const char* kNoMount = "<no mount permitted>";

// Forks, sets up `rights`, runs `work` in the child and returns its text (or
// a description of how the child died).
std::string InChildProcess(ChildRights rights, const std::function<std::string()>& work);

// In a child with its own mount namespace: mounts a 1 MiB tmpfs on `folder`
// (created); returns it, or an empty path when mounting is not permitted.
std::filesystem::path MountSmallDisk(const std::filesystem::path& folder);

// Writes a file into `folder` until its disk has no room left.
void FillDisk(const std::filesystem::path& folder);

// The names of the entries of `folder`, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& folder);
