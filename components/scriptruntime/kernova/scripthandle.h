#pragma once

namespace Kernova {

// A value owned by a script engine, carried inside a Variant; the engine knows its real type.
class ScriptHandle
{
public:
    virtual ~ScriptHandle();
};

} // namespace Kernova
