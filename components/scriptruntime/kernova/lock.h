#pragma once

#include <mutex>

namespace Kernova {

// A recursive lock of the runtime.
class Lock
{
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

} // namespace Kernova
