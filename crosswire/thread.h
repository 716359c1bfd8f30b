#pragma once

#include "crosswire/soevent.h"

#include <atomic>
#include <thread>

namespace KnObjects {

// A thread created suspended, with two auto-reset events: the finished event (signalled when
// the thread procedure ends) and the wake event (ends a sleep early). start() lets it run.
class Thread
{
public:
    static constexpr int kExitWaitMilliseconds = 600000;
    static constexpr int kCreationFailed = 32;

    Thread();
    virtual ~Thread();
    Thread(const Thread &) = delete;
    Thread &operator=(const Thread &) = delete;

    virtual void run() = 0;
    // Waits on the finished event; true when the thread ended in time.
    virtual bool waitForExit(int milliseconds = kExitWaitMilliseconds);
    virtual void initHook();
    virtual void exitHook();
    // Waits on the wake event for up to `milliseconds`.
    virtual void sleep(int milliseconds);
    virtual void wake();
    virtual bool start();

    bool isRunning() const { return m_running.load(); }
    // 0, or the error code recorded when the thread could not be made.
    int error() const { return m_error; }

protected:
    SoEvent &wakeEvent() { return m_wake; }
    // Joins the system thread; call from the destructor of the most derived class, so run()
    // never outlives the object it belongs to.
    void join();

private:
    void procedure();

    SoEvent m_finished;
    SoEvent m_wake;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_done{false};
    int m_error = 0;
};

} // namespace KnObjects
