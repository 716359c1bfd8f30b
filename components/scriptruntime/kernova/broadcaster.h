#pragma once

#include "components/scriptruntime/kernova/lock.h"
#include "components/scriptruntime/kernova/variant.h"

#include <vector>

namespace Kernova {

// Tells its listeners about events (an event code and a value).
class Broadcaster
{
public:
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void notify(Broadcaster &source, int event, const Variant &value) = 0;
    };

    void addListener(Listener *listener);
    void removeListener(Listener *listener);
    void broadcast(int event, const Variant &value = {});

private:
    Lock m_lock;
    std::vector<Listener *> m_listeners;
};

} // namespace Kernova
