// The socket and thread owners: which descriptor an object holds after
// Attach, AttachIfNone and Close (none leaks, none is closed twice), a
// blocked Receive woken by Shutdown from another thread, and a thread's
// life from Create to Join.

#include "ZIrSocket.h"
#include "ZThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool IsOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(ZSocketTest, AttachingAndClosingKeepExactlyOneOwnerPerDescriptor)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ZIrSocket socket;
    EXPECT_EQ(socket.Handle(), INVALID_SOCKET);
    EXPECT_EQ(socket.Shutdown(SD_BOTH), 0) << "nothing held is not a failure";
    EXPECT_EQ(socket.AttachIfNone(0), 0);
    EXPECT_EQ(socket.AttachIfNone(pair[0]), 1);
    EXPECT_EQ(socket.AttachIfNone(pair[1]), 0) << "a held socket is never replaced silently";
    EXPECT_EQ(socket.Is(pair[0]), 1);

    EXPECT_EQ(socket.Attach(pair[1]), pair[1]);
    EXPECT_FALSE(IsOpen(pair[0])) << "Attach closes the socket it held";
    EXPECT_TRUE(IsOpen(pair[1]));
    EXPECT_EQ(socket.Close(), 0);
    EXPECT_FALSE(IsOpen(pair[1]));
    EXPECT_EQ(socket.Handle(), INVALID_SOCKET);
    EXPECT_EQ(socket.Close(), 0);
}

DWORD ReceiveOnce(void* parameter)
{
    auto* socket = static_cast<ZSocket*>(parameter);
    char byte = 0;
    return static_cast<DWORD>(socket->Receive(&byte, 1, 0) + 100);
}

TEST(ZSocketTest, ShutdownFromAnotherThreadEndsABlockedReceive)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ZSocket reader;
    reader.Attach(pair[0]);
    ZThread worker;
    ASSERT_EQ(worker.Create(nullptr, 0, &ReceiveOnce, &reader, 0), TRUE);
    EXPECT_NE(worker.GetThreadId(), 0u);
    EXPECT_EQ(worker.Create(nullptr, 0, &ReceiveOnce, &reader, 0), FALSE) << "one thread per object";
    EXPECT_EQ(reader.Shutdown(SD_BOTH), 0);
    EXPECT_EQ(worker.Join(), TRUE);
    // Receive answered 0 (the connection is shut), not a byte or an error.
    EXPECT_EQ(worker.GetExitCode(), 100u);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.Close(), TRUE);
    EXPECT_EQ(worker.Close(), FALSE);
    EXPECT_EQ(worker.Join(), FALSE);
    reader.Close();
    ::close(pair[1]);
}

DWORD Count(void* parameter)
{
    static_cast<std::atomic<int>*>(parameter)->fetch_add(1);
    return 7;
}

TEST(ZThreadTest, AClosedHandleLetsTheThreadFinishOnItsOwn)
{
    std::atomic<int> runs { 0 };
    {
        ZThread detached;
        ASSERT_EQ(detached.Create(nullptr, 64 * 1024, &Count, &runs, 0), TRUE);
        EXPECT_EQ(detached.Close(), TRUE);
    }
    ZThread joined;
    ASSERT_EQ(joined.Create(nullptr, 0, &Count, &runs, 0), TRUE);
    ASSERT_EQ(joined.Join(), TRUE);
    EXPECT_EQ(joined.GetExitCode(), 7u);
    while (runs.load() < 2)
        std::this_thread::yield();
    EXPECT_EQ(runs.load(), 2);
    joined.Close();
}

} // namespace
