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

} // namespace Kernova
