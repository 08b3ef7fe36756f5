// kestrin-setup: registers the journal with the desktop or removes it again.
//
//     kestrin-setup register
//     kestrin-setup unregister [--yes | --no]
//
// register writes the registration and first-run settings (DllRegisterServer)
// and installs the "Add Kestrin Entry" desktop entry for kestrin-pim.
// unregister removes both (DllUnregisterServer) and asks "Delete the Ozm
// Kestrin Database" on the terminal; --yes or --no answer it beforehand.
// Without a terminal and without an answer the journal is kept.
// Exit status 0 on success, 1 with a message on failure, 2 for bad usage.

#include "CodePage.h"
#include "DesktopEntry.h"
#include "IntegrationExports.h"
#include "UiHooks.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

// Message boxes on the terminal: questions are answered from the command
// line or by the user; without either, No.
class TerminalUiHooks : public HeadlessUiHooks {
public:
    explicit TerminalUiHooks(std::optional<bool> answer)
        : answer_(answer)
    {
    }
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) override
    {
        if ((type & 0xF) != MB_YESNO)
            return HeadlessUiHooks::MessageBox(owner, text, caption, type);
        const std::string question = Narrow(text);
        if (answer_)
            return *answer_ ? IDYES : IDNO;
        if (!::isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "%s? no (no terminal to ask; give --yes to answer yes)\n", question.c_str());
            return IDNO;
        }
        std::fprintf(stderr, "%s? [y/N] ", question.c_str());
        std::string line;
        std::getline(std::cin, line);
        return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? IDYES : IDNO;
    }

private:
    static std::string Narrow(std::u16string_view text) { return EncodeSystemCodePage(text); }
    std::optional<bool> answer_;
};

int Usage()
{
    std::fprintf(stderr, "usage: kestrin-setup register\n       kestrin-setup unregister [--yes | --no]\n");
    return 2;
}

std::filesystem::path PimProgram()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path("kestrin-pim") : self.parent_path() / "kestrin-pim";
}

int Register()
{
    if (DllRegisterServer() != S_OK) {
        std::fprintf(stderr, "kestrin-setup: the registration could not be written\n");
        return 1;
    }
    std::string error;
    if (!InstallDesktopEntry(PimProgram(), error)) {
        std::fprintf(stderr, "kestrin-setup: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Unregister()
{
    std::string error;
    const bool entryRemoved = RemoveDesktopEntry(error);
    if (!entryRemoved)
        std::fprintf(stderr, "kestrin-setup: %s\n", error.c_str());
    if (DllUnregisterServer() != S_OK) {
        std::fprintf(stderr, "kestrin-setup: the registration could not be removed\n");
        return 1;
    }
    return entryRemoved ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    std::optional<bool> answer;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (command == "unregister" && (option == "--yes" || option == "--no") && !answer)
            answer = option == "--yes";
        else
            return Usage();
    }
    TerminalUiHooks hooks(answer);
    ScopedUiHooks installed(hooks);
    if (command == "register")
        return Register();
    if (command == "unregister")
        return Unregister();
    return Usage();
}
