#include "DesktopEntry.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace {

constexpr char kEntryName[] = "kestrin-pim.desktop";

std::filesystem::path DataHome()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return data;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/") / ".local" / "share";
}

} // namespace

std::filesystem::path DesktopEntryPath()
{
    return DataHome() / "applications" / kEntryName;
}

std::string QuoteExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += "\\\\";
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

std::string DesktopEntryText(const std::filesystem::path& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Add Kestrin Entry\n"
           "Comment=Write a journal entry about this contact, appointment or task\n"
           "Icon=kestrin\n"
           "Exec="
        + QuoteExecArgument(program.string())
        + " %f\n"
          "MimeType=text/vcard;text/x-vcard;text/directory;text/calendar;\n"
          "NoDisplay=true\n"
          "Terminal=false\n"
          "Categories=Office;\n";
}

bool InstallDesktopEntry(const std::filesystem::path& program, std::string& error)
{
    const std::filesystem::path target = DesktopEntryPath();
    std::error_code failed;
    std::filesystem::create_directories(target.parent_path(), failed);
    if (failed) {
        error = "cannot make " + target.parent_path().string() + ": " + failed.message();
        return false;
    }
    const std::filesystem::path temporary = target.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << DesktopEntryText(program);
        out.flush();
        if (!out) {
            error = "cannot write " + temporary.string();
            std::filesystem::remove(temporary, failed);
            return false;
        }
    }
    std::filesystem::rename(temporary, target, failed);
    if (failed) {
        error = "cannot write " + target.string() + ": " + failed.message();
        std::filesystem::remove(temporary, failed);
        return false;
    }
    return true;
}

bool RemoveDesktopEntry(std::string& error)
{
    std::error_code failed;
    std::filesystem::remove(DesktopEntryPath(), failed);
    if (failed) {
        error = "cannot remove " + DesktopEntryPath().string() + ": " + failed.message();
        return false;
    }
    return true;
}
