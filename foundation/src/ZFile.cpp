#include "ZFile.h"

#include "LastError.h"
#include "PosixError.h"
#include "UiHooks.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReadAheadBytes = 4096;

int OpenFlags(DWORD access, DWORD creation)
{
    int flags = O_CLOEXEC;
    bool reads = access & GENERIC_READ, writes = access & GENERIC_WRITE;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    switch (creation) {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return flags | O_TRUNC;
    case OPEN_EXISTING:
        return flags;
    default:
        return -1;
    }
}

// Characters of the control class: C0, DEL and C1.
bool IsControl(WCHAR ch)
{
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

} // namespace

ZFile::~ZFile()
{
    Close();
}

BOOL ZFile::Open(LPCWSTR path, DWORD access, DWORD, DWORD creation, DWORD attributes)
{
    if (IsOpen()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return OpenDescriptor(path, access, creation, attributes);
}

BOOL ZFile::OpenExisting(LPCWSTR path, DWORD access, DWORD, DWORD attributes)
{
    if (IsOpen() && !Close())
        return FALSE;
    return OpenDescriptor(path, access, OPEN_EXISTING, attributes);
}

BOOL ZFile::OpenDescriptor(LPCWSTR path, DWORD access, DWORD creation, DWORD attributes)
{
    int flags = OpenFlags(access, creation);
    if (!path || !*path || flags < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string bytes = ZString::AnsiBytes(path);
    mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    int fd;
    do
        fd = ::open(bytes.c_str(), flags, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FailWithErrno();
    // A folder opens on Linux but is no file to read or write.
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    m_fd = fd;
    m_name = path;
    return TRUE;
}

BOOL ZFile::Close()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    m_ahead.clear();
    m_aheadPos = 0;
    int fd = m_fd;
    m_fd = -1;
    // The descriptor is gone even when close reports an error, so it is
    // never closed twice.
    if (::close(fd) != 0 && errno != EINTR)
        return FailWithErrno();
    return TRUE;
}

BOOL ZFile::Delete()
{
    if (IsOpen())
        Close();
    if (!m_name.Text()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (::unlink(ZString::AnsiBytes(m_name).c_str()) != 0)
        return FailWithErrno();
    return TRUE;
}

BOOL ZFile::Exists(LPCWSTR path)
{
    if (!path || !*path)
        return FALSE;
    struct stat info;
    return ::stat(ZString::AnsiBytes(path).c_str(), &info) == 0;
}

DWORD ZFile::Write(const void* data, DWORD count)
{
    if (!IsOpen() || !DropReadAhead()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!data || count == 0)
        return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    DWORD written = 0;
    while (written < count) {
        ssize_t n = ::write(m_fd, bytes + written, count - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return FailWithErrno();
        written += static_cast<DWORD>(n);
    }
    return written;
}

DWORD ZFile::WriteText(LPCWSTR text)
{
    if (!text)
        return 0;
    std::string bytes = ZString::AnsiBytes(text);
    return Write(bytes.data(), static_cast<DWORD>(bytes.size()));
}

BOOL ZFile::Sync()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return ::fsync(m_fd) == 0 ? TRUE : FailWithErrno();
}

int ZFile::Read(void* buffer, DWORD count)
{
    if (!IsOpen() || !buffer || count == 0 || !DropReadAhead())
        return -1;
    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD got = 0;
    while (got < count) {
        ssize_t n = ::read(m_fd, bytes + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FailWithErrno();
            break;
        }
        if (n == 0)
            break;
        got += static_cast<DWORD>(n);
    }
    if (got == 0) {
        SetLastError(ERROR_HANDLE_EOF);
        return -1;
    }
    return static_cast<int>(got);
}

bool ZFile::FillReadAhead()
{
    m_ahead.resize(kReadAheadBytes);
    m_aheadPos = 0;
    ssize_t n;
    do
        n = ::read(m_fd, m_ahead.data(), m_ahead.size());
    while (n < 0 && errno == EINTR);
    m_ahead.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return n > 0;
}

bool ZFile::DropReadAhead()
{
    std::size_t unread = m_ahead.size() - m_aheadPos;
    m_ahead.clear();
    m_aheadPos = 0;
    if (unread == 0)
        return true;
    return ::lseek(m_fd, -static_cast<off_t>(unread), SEEK_CUR) >= 0;
}

int ZFile::ReadByte()
{
    if (!IsOpen())
        return -1;
    if (m_aheadPos == m_ahead.size() && !FillReadAhead())
        return -1;
    return m_ahead[m_aheadPos++];
}

int ZFile::ReadLine(LPWSTR buffer, int capacity, BOOL dropControl)
{
    if (!buffer || capacity <= 0)
        return 0;
    int consumed = 0, stored = 0;
    for (int byte = ReadByte(); byte >= 0 && byte != '\n'; byte = ReadByte()) {
        ++consumed;
        WCHAR ch = static_cast<WCHAR>(byte);
        if (dropControl && IsControl(ch))
            continue;
        if (stored < capacity - 1)
            buffer[stored++] = ch;
    }
    buffer[stored] = 0;
    return consumed;
}

int ZFile::ReadLine(ZString& line, BOOL dropControl)
{
    std::u16string text;
    int consumed = 0;
    for (int byte = ReadByte(); byte >= 0 && byte != '\n'; byte = ReadByte()) {
        ++consumed;
        WCHAR ch = static_cast<WCHAR>(byte);
        if (!(dropControl && IsControl(ch)))
            text += ch;
    }
    if (consumed != 0)
        line.Assign(text.c_str(), static_cast<int>(text.size()));
    return consumed;
}

LONGLONG ZFile::Seek(LONGLONG distance, DWORD method)
{
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    if (!IsOpen() || method > FILE_END) {
        SetLastError(IsOpen() ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return -1;
    }
    off_t position = DropReadAhead() ? ::lseek(m_fd, static_cast<off_t>(distance), whence) : -1;
    if (position < 0) {
        FailWithErrno();
        return -1;
    }
    return position;
}

BOOL ZFile::Truncate()
{
    LONGLONG position = Seek(0, FILE_CURRENT);
    if (position < 0)
        return FALSE;
    return ::ftruncate(m_fd, static_cast<off_t>(position)) == 0 ? TRUE : FailWithErrno();
}

DWORD ZFile::Size()
{
    struct stat info;
    if (IsOpen() && ::fstat(m_fd, &info) == 0)
        return static_cast<DWORD>(info.st_size);
    DWORD error = IsOpen() ? ErrorFromErrno(errno) : ERROR_INVALID_HANDLE;
    SetLastError(error);
    std::u16string text
        = u"Error " + ZString::FromUtf8(std::to_string(error)).ToU16() + u" occured during GetFileSize.";
    MessageBoxW(nullptr, text.c_str(), u"IO Error", MB_SETFOREGROUND);
    return 0;
}
