#include "CheckLeftovers.h"

#include "ObjectStore.h"

#include <ctime>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kSafetyCopyName = "kssave-bkup.ksk";

// The temporary files the file writer makes beside a target are named
// ".<target name>.<16 hex digits>.tmp".
bool IsSafetyCopyTemporary(const std::string& name)
{
    const std::string prefix = std::string(".") + kSafetyCopyName + ".";
    const std::string suffix = ".tmp";
    return name.size() == prefix.size() + 16 + suffix.size() && name.starts_with(prefix)
        && name.ends_with(suffix);
}

std::string KeptName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string("kssave-bkup-kept-") + stamp + ".ksk";
}

} // namespace

fs::path SafetyCopyPath()
{
    return ObjectStore::DataFolder() / kSafetyCopyName;
}

int RemoveInterruptedCheckFiles()
{
    if (ObjectStore::IntegrityCheckRunning())
        return 0;
    std::error_code ec;
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(ObjectStore::DataFolder(), ec))
        if (IsSafetyCopyTemporary(entry.path().filename().string()))
            left.push_back(entry.path());
    int removed = 0;
    for (const fs::path& file : left)
        removed += fs::remove(file, ec) ? 1 : 0;
    return removed;
}

fs::path KeepLeftSafetyCopy()
{
    const fs::path copy = SafetyCopyPath();
    std::error_code ec;
    if (ObjectStore::IntegrityCheckRunning() || !fs::is_regular_file(copy, ec))
        return {};
    fs::path kept = copy.parent_path() / KeptName();
    for (int n = 2; fs::exists(kept, ec); ++n)
        kept = copy.parent_path() / (KeptName().insert(KeptName().size() - 4, "-" + std::to_string(n)));
    fs::rename(copy, kept, ec);
    return ec ? fs::path() : kept;
}
