#include "components/scriptruntime/kernova/livepropertymanager.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/livecomponent.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include <QMap>

#include <atomic>
#include <mutex>

namespace Kernova {

bool LivePropertyManager::registerProperty(const String &name, int id, int flags,
                                           const String &signature)
{
    if (name.isEmpty() || find(name) || find(id))
        return false;
    m_properties.push_back({name, id, flags, signature});
    return true;
}

const LivePropertyManager::Property *LivePropertyManager::find(const String &name) const
{
    for (const Property &property : m_properties) {
        if (property.name == name)
            return &property;
    }
    return nullptr;
}

const LivePropertyManager::Property *LivePropertyManager::find(int id) const
{
    for (const Property &property : m_properties) {
        if (property.id == id)
            return &property;
    }
    return nullptr;
}

} // namespace Kernova
