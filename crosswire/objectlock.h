#pragma once

#include "crosswire/solockable.h"

namespace KnObjects {

// Holds an object's lock for a scope.
class ObjectLock
{
public:
    explicit ObjectLock(const SoLockable &object)
        : m_lock(object.objectLock())
    {
        m_lock.lock();
    }
    explicit ObjectLock(SoLock &lock)
        : m_lock(lock)
    {
        m_lock.lock();
    }
    ~ObjectLock() { m_lock.unlock(); }
    ObjectLock(const ObjectLock &) = delete;
    ObjectLock &operator=(const ObjectLock &) = delete;

private:
    SoLock &m_lock;
};

} // namespace KnObjects
