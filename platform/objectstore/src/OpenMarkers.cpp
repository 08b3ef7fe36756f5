#include "OpenMarkers.h"

#include <fcntl.h>
#include <unistd.h>

namespace objectstore {

OpenMarkers::~OpenMarkers()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool OpenMarkers::Open(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

bool OpenMarkers::Lock(CEOID db, short type)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(db);
    lock.l_len = 1;
    return ::fcntl(fd_, F_SETLK, &lock) == 0;
}

bool OpenMarkers::AddHandle(CEOID db)
{
    int& count = handles_[db];
    if (count == 0 && !Lock(db, F_RDLCK)) {
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
        Lock(db, F_UNLCK);
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
    return HandlesHere(db) == 0 && Lock(db, F_WRLCK);
}

void OpenMarkers::EndExclusive(CEOID db)
{
    Lock(db, F_UNLCK);
}

} // namespace objectstore
