#pragma once
// A fresh, empty data folder for one test: created in the system's temporary
// folder, exported as KESTRIN_HOME while the object lives, removed afterwards
// (the previous KESTRIN_HOME is put back).

#include <filesystem>
#include <optional>
#include <string>

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};
