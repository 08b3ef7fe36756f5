#include "AtomicFileWriter.h"

#include "LastError.h"
#include "PosixError.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 16;

// A name beside the target that no other writer picks: ".<name>.<random>.tmp".
std::string TempNameBeside(const std::filesystem::path& target)
{
    static thread_local std::mt19937_64 random { std::random_device {}()
        ^ static_cast<unsigned>(::getpid()) };
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    std::string name = "." + target.filename().string() + "." + suffix + ".tmp";
    return (target.parent_path() / name).string();
}

// Makes a rename inside `folder` durable.
void SyncFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

AtomicFileWriter::AtomicFileWriter(LPCWSTR target)
    : m_target(target)
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!m_committed)
        Discard();
}

BOOL AtomicFileWriter::Open()
{
    if (m_file.IsOpen() || m_target.IsEmpty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::filesystem::path target(ZString::AnsiBytes(m_target));
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        ZString temp = ZString::FromUtf8(TempNameBeside(target));
        if (m_file.Open(temp, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)) {
            m_temp = temp;
            m_committed = false;
            return TRUE;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return FALSE;
    }
    return FALSE;
}

BOOL AtomicFileWriter::Commit()
{
    if (!m_file.IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::string temp = ZString::AnsiBytes(m_temp), target = ZString::AnsiBytes(m_target);
    bool replaced = m_file.Sync() && m_file.Close();
    if (replaced && std::rename(temp.c_str(), target.c_str()) != 0)
        replaced = FailWithErrno();
    if (!replaced) {
        DWORD error = GetLastError();
        Discard();
        SetLastError(error);
        return FALSE;
    }
    m_committed = true;
    m_temp.Empty();
    // The new content is in place. Some file systems cannot sync a folder;
    // that only weakens durability against power loss, so it is not undone.
    SyncFolder(std::filesystem::path(target).parent_path());
    return TRUE;
}

void AtomicFileWriter::Discard()
{
    if (m_file.IsOpen())
        m_file.Close();
    if (!m_temp.IsEmpty())
        ::unlink(ZString::AnsiBytes(m_temp).c_str());
    m_temp.Empty();
}
