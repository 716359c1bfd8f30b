#pragma once

#include <cstddef>
#include <cstdint>

namespace Kernova {

// The runtime's heap: every runtime-derived object is made and freed here, so the count of live
// allocations tells whether objects leak.
class Heap
{
public:
    static void *allocate(std::size_t size);
    static void release(void *pointer);
    static int64_t liveAllocations();
};

} // namespace Kernova
