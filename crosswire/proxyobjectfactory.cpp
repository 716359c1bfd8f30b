#include "crosswire/proxyobjectfactory.h"

#include "crosswire/proxyobject.h"

namespace KnObjects {

std::shared_ptr<Kernova::LiveObject> ProxyObjectFactory::create(const Kernova::Array &, int &error)
{
    error = 0;
    std::shared_ptr<ProxyObject> object(new ProxyObject);
    object->initialize();
    return object;
}

} // namespace KnObjects
