#include "components/scriptruntime/kernova/localizer.h"

#include "components/scriptruntime/kernova/broadcaster.h"
#include "components/scriptruntime/kernova/heap.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace Kernova {

namespace {

std::mutex localizerMutex;
// Never destroyed: localizers held by other libraries' statics unregister while the process
// exits, possibly after this library's statics are gone.
std::vector<Localizer *> &localizers()
{
    alignas(
        std::vector<Localizer *>) static unsigned char storage[sizeof(std::vector<Localizer *>)];
    static std::vector<Localizer *> *const stack = ::new (storage) std::vector<Localizer *>();
    return *stack;
}

} // namespace

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
