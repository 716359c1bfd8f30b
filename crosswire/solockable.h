#pragma once

#include "crosswire/solock.h"

namespace KnObjects {

// Base of every object whose operations run under the object's own lock.
class SoLockable
{
public:
    SoLockable() = default;
    // A copy gets a lock of its own.
    SoLockable(const SoLockable &) {}
    SoLockable &operator=(const SoLockable &) { return *this; }

    SoLock &objectLock() const { return m_lock; }

private:
    mutable SoLock m_lock;
};

} // namespace KnObjects
