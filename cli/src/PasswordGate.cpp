#include "PasswordGate.h"

#include "CliSupport.h"
#include "PasswordHash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kTerminalAttempts = 3;
constexpr const WCHAR* kActiveValue = u"pwActive";
constexpr const WCHAR* kRecordValue = u"vacc";

std::string& PasswordFile()
{
    static std::string path;
    return path;
}

// The keypad's "Incorrect Password. Access Denied!" on one line.
std::string WrongPasswordText()
{
    ZString text;
    text.LoadString(40050);
    return OneLine(Utf8(text));
}

// The first line of what `fd` holds (at most 1 KiB), without its line end.
std::string FirstLine(int fd)
{
    std::string line;
    char c = 0;
    while (line.size() < 1024) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The password a script gives, when it gives one.
bool ScriptedPassword(std::string& password)
{
    if (!PasswordFile().empty()) {
        const int fd = ::open(PasswordFile().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            Fail("cannot read the password file " + PasswordFile());
        password = FirstLine(fd);
        ::close(fd);
        return true;
    }
    if (const char* fdText = std::getenv("KESTRIN_PASSWORD_FD"); fdText && *fdText) {
        char* end = nullptr;
        const long fd = std::strtol(fdText, &end, 10);
        if (*end != '\0' || fd < 0 || fd > 65535 || ::fcntl(static_cast<int>(fd), F_GETFD) < 0)
            Fail(std::string("KESTRIN_PASSWORD_FD=") + fdText + " is not an open file descriptor");
        password = FirstLine(static_cast<int>(fd));
        return true;
    }
    return false;
}

// Shows `prompt` and reads one line from the terminal with echo off. The
// echo goes off before the prompt shows, so nothing typed after it is ever
// echoed, and comes back even when reading fails.
std::string ReadHidden(int tty, const std::string& prompt)
{
    termios saved {};
    const bool haveModes = ::tcgetattr(tty, &saved) == 0;
    if (haveModes) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    (void)!::write(tty, prompt.data(), prompt.size());
    std::string line = FirstLine(tty);
    if (haveModes)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    return line;
}

bool Matches(const QString& record, const std::string& password)
{
    return PasswordHash::Verify(record, QString::fromStdString(password));
}

} // namespace

void SetPasswordFile(const std::string& path)
{
    PasswordFile() = path;
}

void RequirePassword(ZRegistry& settings, const WCHAR* section)
{
    ZString record;
    settings.ReadZString(section, kRecordValue, u"", record);
    // A lock switched on without a stored password cannot be satisfied; the
    // program switches such a lock off at its next start.
    if (settings.ReadInt(section, kActiveValue, 0) == 0 || record.IsEmpty())
        return;
    const QString stored = record.ToQString();

    std::string password;
    if (ScriptedPassword(password)) {
        if (!Matches(stored, password))
            Fail(WrongPasswordText());
        return;
    }
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        Fail("the journal is locked by a password: give it with --password-file FILE or "
             "KESTRIN_PASSWORD_FD, or run on a terminal");
    ZString enter;
    enter.LoadString(40018);
    const std::string prompt = Utf8(enter) + ": ";
    const std::string wrong = WrongPasswordText() + "\n";
    bool accepted = false;
    for (int attempt = 0; attempt < kTerminalAttempts && !accepted; ++attempt) {
        accepted = Matches(stored, ReadHidden(tty, prompt));
        if (!accepted && attempt + 1 < kTerminalAttempts)
            (void)!::write(tty, wrong.data(), wrong.size());
    }
    ::close(tty);
    if (!accepted)
        Fail(WrongPasswordText());
}
