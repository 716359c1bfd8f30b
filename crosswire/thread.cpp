#include "crosswire/thread.h"

#include <system_error>

namespace KnObjects {

Thread::Thread()
{
    if (!m_finished.isValid() || !m_wake.isValid())
        m_error = kCreationFailed;
}

Thread::~Thread()
{
    join();
}

void Thread::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool Thread::start()
{
    if (m_error || m_thread.joinable())
        return false;
    try {
        m_thread = std::thread([this] { procedure(); });
    } catch (const std::system_error &) {
        m_error = kCreationFailed;
        return false;
    }
    return true;
}

void Thread::procedure()
{
    m_running.store(true);
    initHook();
    run();
    m_running.store(false);
    exitHook();
    m_done.store(true);
    m_finished.set();
}

bool Thread::waitForExit(int milliseconds)
{
    if (!m_thread.joinable() || m_done.load())
        return true;
    if (!m_finished.wait(milliseconds))
        return false;
    m_finished.set(); // keep it signalled for later waiters
    return true;
}

void Thread::initHook() {}

void Thread::exitHook() {}

void Thread::sleep(int milliseconds)
{
    m_wake.wait(milliseconds);
}

void Thread::wake()
{
    m_wake.set();
}

} // namespace KnObjects
