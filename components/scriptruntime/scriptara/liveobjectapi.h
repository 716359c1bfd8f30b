#pragma once

#include "components/scriptruntime/kernova/variant.h"

namespace KnScript {

class Engine;

// Access to the engine's objects from native code.
class LiveObjectAPI
{
public:
    // The global object of `engine` (the current one when null); undefined without an engine.
    static Kernova::Variant getGlobalObject(Engine *engine = nullptr);
};

} // namespace KnScript
