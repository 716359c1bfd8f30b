#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/livecomponent.h"
#include "components/scriptruntime/kernova/liveobject.h"

#include <QMap>

#include <atomic>
#include <mutex>

namespace Kernova {

LiveObjectFactory::~LiveObjectFactory() = default;

std::shared_ptr<LiveObject> LiveObjectFactory::statics()
{
    return nullptr;
}

} // namespace Kernova
