#include "OpenMarkers.h"

#include "DataFolder.h"

#include <fcntl.h>
#include <unistd.h>

namespace objectstore {

OpenMarkers::~OpenMarkers()
{
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {

// Past the 32-bit OIDs: no database's byte.
constexpr off_t kCheckByte = off_t(1) << 32;

struct flock OneByte(off_t offset, short type)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

} // namespace

bool OpenMarkers::Open(const std::string& path, bool readOnly)
{
    if (!EnsurePrivateFile(path) && !readOnly)
        return false;
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0 && readOnly)
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0 || readOnly;
}

bool OpenMarkers::Lock(off_t offset, short type)
{
    if (fd_ < 0)
        return type != F_WRLCK;
    struct flock lock = OneByte(offset, type);
    return ::fcntl(fd_, F_SETLK, &lock) == 0;
}

bool OpenMarkers::AddHandle(CEOID db)
{
    int& count = handles_[db];
    if (count == 0 && !Lock(static_cast<off_t>(db), F_RDLCK)) {
        handles_.erase(db);
        return false;
    }
    ++count;
    return true;
}

void OpenMarkers::RemoveHandle(CEOID db)
{
    auto it = handles_.find(db);
    if (it == handles_.end())
        return;
    if (--it->second == 0) {
        Lock(static_cast<off_t>(db), F_UNLCK);
        handles_.erase(it);
    }
}

int OpenMarkers::HandlesHere(CEOID db) const
{
    auto it = handles_.find(db);
    return it == handles_.end() ? 0 : it->second;
}

bool OpenMarkers::BeginExclusive(CEOID db)
{
    return HandlesHere(db) == 0 && Lock(static_cast<off_t>(db), F_WRLCK);
}

void OpenMarkers::EndExclusive(CEOID db)
{
    Lock(static_cast<off_t>(db), F_UNLCK);
}

bool OpenMarkers::BeginCheck()
{
    return Lock(kCheckByte, F_WRLCK);
}

void OpenMarkers::EndCheck()
{
    Lock(kCheckByte, F_UNLCK);
}

bool OpenMarkers::CheckRunningElsewhere() const
{
    if (fd_ < 0)
        return false;
    // Asking for a read lock shows any write lock of another process (this
    // process's own locks never conflict with it).
    struct flock lock = OneByte(kCheckByte, F_RDLCK);
    return ::fcntl(fd_, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

} // namespace objectstore
