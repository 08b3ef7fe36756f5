#include "WindowListener.h"

#include "LastError.h"
#include "UnixSocket.h"
#include "WindowLink.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kReadTimeoutMs = 2000;
constexpr int kMaxOpenConnections = 32;

// Holds an exclusive lock on a file for its lifetime.
class FileLock {
public:
    explicit FileLock(const std::string& path)
        : fd_(::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600))
    {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

// Removes a socket file nobody listens on; refuses to touch anything that
// is not a socket.
bool RemoveStaleSocket(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0)
        return true;
    return S_ISSOCK(info.st_mode) && ::unlink(path.c_str()) == 0;
}

} // namespace

struct WindowListener::Impl {
    Handler handler;
    int openConnections = 0;
    std::string path;
    QLocalServer server; // last: its sockets go before the fields they count in

    void Accept();
    void Read(QLocalSocket* socket);
};

void WindowListener::Impl::Accept()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        if (openConnections >= kMaxOpenConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++openConnections;
        QObject::connect(socket, &QObject::destroyed, &server, [this] { --openConnections; });
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { Read(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void WindowListener::Impl::Read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < static_cast<qint64>(kIpcFrameSize))
        return;
    const QByteArray bytes = socket->read(kIpcFrameSize);
    // One frame per connection: whatever follows is not read.
    QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();
    IpcFrame frame;
    if (DecodeIpcFrame(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size()), &frame))
        handler(frame);
}

WindowListener::WindowListener(Handler handler)
    : impl_(std::make_unique<Impl>())
{
    impl_->handler = std::move(handler);
    impl_->server.setSocketOptions(QLocalServer::UserAccessOption);
    impl_->server.setMaxPendingConnections(kMaxOpenConnections);
    QObject::connect(
        &impl_->server, &QLocalServer::newConnection, &impl_->server, [this] { impl_->Accept(); });
}

WindowListener::~WindowListener()
{
    Close();
}

BOOL WindowListener::Listen(LPCWSTR className, LPCWSTR title)
{
    if (IsListening())
        return TRUE;
    const std::string path = WindowSocketPath(className, title);
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Two copies starting at once must not both decide the socket is stale.
    FileLock lock(path + ".lock");
    if (!lock.Held()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (UnixSocket::Connect(path).IsOpen()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!RemoveStaleSocket(path) || !impl_->server.listen(QString::fromStdString(path))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    impl_->path = path;
    return TRUE;
}

void WindowListener::Close()
{
    if (!impl_->server.isListening())
        return;
    // QLocalServer removes the socket file when it closes.
    impl_->server.close();
    impl_->path.clear();
}

bool WindowListener::IsListening() const
{
    return impl_->server.isListening();
}

std::string WindowListener::Path() const
{
    return impl_->path;
}
