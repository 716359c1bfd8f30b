#include "crosswire/urlobjectfactory.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/scriptvalues.h"
#include "crosswire/urlobject.h"

namespace KnObjects {

std::shared_ptr<Kernova::LiveObject> URLObjectFactory::create(const Kernova::Array &arguments,
                                                              int &error)
{
    error = 0;
    std::shared_ptr<URLObject> object(
        new URLObject(ScriptValues::argument(KnScript::Engine::getCurrent(), arguments, 0)));
    object->initialize();
    return object;
}

} // namespace KnObjects
