#include "TempHome.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

TempHome::TempHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary data folder");
    path_ = pattern;
    if (const char* old = std::getenv("KESTRIN_HOME"))
        previous_ = old;
    setenv("KESTRIN_HOME", path_.c_str(), 1);
}

TempHome::~TempHome()
{
    if (previous_)
        setenv("KESTRIN_HOME", previous_->c_str(), 1);
    else
        unsetenv("KESTRIN_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
