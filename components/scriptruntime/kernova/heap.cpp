#include "components/scriptruntime/kernova/heap.h"

#include "components/scriptruntime/kernova/broadcaster.h"
#include "components/scriptruntime/kernova/localizer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace Kernova {

namespace {
std::atomic<int64_t> live{0};
} // namespace

void *Heap::allocate(std::size_t size)
{
    void *pointer = std::malloc(size ? size : 1);
    if (!pointer)
        throw std::bad_alloc();
    ++live;
    return pointer;
}

void Heap::release(void *pointer)
{
    if (!pointer)
        return;
    --live;
    std::free(pointer);
}

int64_t Heap::liveAllocations()
{
    return live.load();
}

} // namespace Kernova
