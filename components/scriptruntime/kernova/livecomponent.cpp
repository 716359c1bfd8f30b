#include "components/scriptruntime/kernova/livecomponent.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include <QMap>

#include <atomic>
#include <mutex>

namespace Kernova {

LiveComponent::LiveComponent(const String &name, const String &className)
    : LiveObject(className)
    , m_name(name)
{
}

} // namespace Kernova
