#include "components/scriptruntime/kernova/broadcaster.h"
#include "components/scriptruntime/kernova/heap.h"
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
std::mutex localizerMutex;
std::vector<Localizer *> &localizers()
{
    static std::vector<Localizer *> stack;
    return stack;
}

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

void Broadcaster::addListener(Listener *listener)
{
    std::lock_guard guard(m_lock);
    if (listener &&
        std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void Broadcaster::removeListener(Listener *listener)
{
    std::lock_guard guard(m_lock);
    std::erase(m_listeners, listener);
}

void Broadcaster::broadcast(int event, const Variant &value)
{
    std::vector<Listener *> listeners;
    {
        std::lock_guard guard(m_lock);
        listeners = m_listeners;
    }
    for (Listener *listener : listeners)
        listener->notify(*this, event, value);
}

Localizer::~Localizer()
{
    remove(this);
}

void Localizer::push(Localizer *localizer)
{
    std::lock_guard guard(localizerMutex);
    if (localizer)
        localizers().push_back(localizer);
}

void Localizer::remove(Localizer *localizer)
{
    std::lock_guard guard(localizerMutex);
    std::erase(localizers(), localizer);
}

String Localizer::translate(const String &text, const FileSpec &script)
{
    std::vector<Localizer *> stack;
    {
        std::lock_guard guard(localizerMutex);
        stack = localizers();
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        const String translated = (*it)->localize(text, script);
        if (!(translated == text))
            return translated;
    }
    return text;
}

} // namespace Kernova
