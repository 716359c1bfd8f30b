#pragma once

#include <cstdint>

namespace Kernova {

// Adds one to `value` atomically and returns the new value.
inline int32_t ScAtomicInc(volatile int32_t *value)
{
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

} // namespace Kernova
