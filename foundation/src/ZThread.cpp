#include "ZThread.h"

#include <atomic>

#include <pthread.h>

// Shared by the handle and the running thread, so a detached thread can
// still record its result.
struct ZThread::Control {
    pthread_t thread {};
    bool joined = false;
    LPTHREAD_START_ROUTINE routine = nullptr;
    void* parameter = nullptr;
    std::atomic<DWORD> exitCode { STILL_ACTIVE };
};

namespace {

void* ThreadMain(void* raw)
{
    // The thread's own reference keeps the control block alive until it ends.
    auto* control = static_cast<std::shared_ptr<ZThread::Control>*>(raw);
    std::shared_ptr<ZThread::Control> self = std::move(*control);
    delete control;
    self->exitCode = self->routine(self->parameter);
    return nullptr;
}

} // namespace

BOOL ZThread::Create(void*, DWORD stackSize, LPTHREAD_START_ROUTINE routine, void* parameter, DWORD)
{
    if (m_control || routine == nullptr)
        return FALSE;
    auto control = std::make_shared<Control>();
    control->routine = routine;
    control->parameter = parameter;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize != 0)
        pthread_attr_setstacksize(&attributes, stackSize);
    auto* handOver = new std::shared_ptr<Control>(control);
    const int error = pthread_create(&control->thread, &attributes, ThreadMain, handOver);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete handOver;
        return FALSE;
    }
    m_control = std::move(control);
    // A process-wide number for the id, as the handheld's ids are.
    static std::atomic<DWORD> nextId { 1 };
    m_id = nextId++;
    return TRUE;
}

BOOL ZThread::Join()
{
    if (!m_control || pthread_equal(m_control->thread, pthread_self()))
        return FALSE;
    if (!m_control->joined) {
        pthread_join(m_control->thread, nullptr);
        m_control->joined = true;
    }
    return TRUE;
}

BOOL ZThread::Close()
{
    if (!m_control)
        return FALSE;
    if (!m_control->joined)
        pthread_detach(m_control->thread);
    m_control.reset();
    m_id = 0;
    return TRUE;
}

DWORD ZThread::GetExitCode() const
{
    return m_control ? m_control->exitCode.load() : STILL_ACTIVE;
}

bool ZThread::IsRunning() const
{
    return m_control && m_control->exitCode.load() == STILL_ACTIVE;
}
