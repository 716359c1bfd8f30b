#pragma once

#include <mutex>

namespace KnObjects {

// A recursive lock, as the critical sections the library was designed around: the thread that
// holds it may take it again.
class SoLock
{
public:
    void lock() { m_mutex.lock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

} // namespace KnObjects
