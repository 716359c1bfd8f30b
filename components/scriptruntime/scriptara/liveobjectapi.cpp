#include "components/scriptruntime/scriptara/liveobjectapi.h"

#include "components/scriptruntime/scriptara/engine.h"

namespace KnScript {

using Kernova::Variant;

Variant LiveObjectAPI::getGlobalObject(Engine *engine)
{
    Engine *target = engine ? engine : Engine::getCurrent();
    return target ? target->globalObject() : Variant();
}

} // namespace KnScript
