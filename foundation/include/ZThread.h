#pragma once
// ZThread: the owner of one thread handle. Create starts a thread on a start
// routine (DWORD routine(void*)) and holds its handle and id; Join waits for
// it to end; Close gives the handle up (a thread not yet joined is detached:
// closing the handle does not stop the thread).
//
// On Linux the handle is a POSIX thread; the handheld's operations that
// cannot exist there (suspend, resume, terminate, priorities, thread times)
// are not offered. The destructor releases nothing: its user joins or closes
// the thread first. Use one ZThread from one thread at a time.

#include "WinTypes.h"

#include <memory>

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);
inline constexpr DWORD STILL_ACTIVE = 259;

class ZThread {
public:
    ZThread() = default;
    virtual ~ZThread() = default;
    ZThread(const ZThread&) = delete;
    ZThread& operator=(const ZThread&) = delete;

    // Starts `routine(parameter)` on a new thread (a stack of `stackSize`
    // bytes, 0 = the default). The security attributes and creation flags of
    // the handheld are accepted and ignored. 1 when the thread runs, 0 when
    // one is held already or it could not be started.
    BOOL Create(void* security, DWORD stackSize, LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags);
    // Waits for the thread to end. 1 when it was joined (or had been), 0
    // when no thread is held or the caller is that thread.
    BOOL Join();
    // 0 when no handle is held; otherwise gives the handle up (detaching a
    // thread not joined), returns 1 and holds none.
    BOOL Close();
    // The routine's result once it ended; STILL_ACTIVE while it runs or
    // when no thread was ever started.
    DWORD GetExitCode() const;
    // True while a thread is held that has not ended.
    bool IsRunning() const;
    DWORD GetThreadId() const { return m_id; }

    // Shared by the handle and the running thread (defined in the source).
    struct Control;

private:

    std::shared_ptr<Control> m_control;
    DWORD m_id = 0;
};
