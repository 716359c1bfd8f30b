#pragma once

namespace KnScript {
class Engine;
}

namespace KnObjects {

// Installs the messaging library's script classes on an engine: Crosswire (with its static
// members), URL and ProxyObject, and the function localize() for the ZStrings of scripts. Their
// factories are registered once per process.
class CrosswireScripting
{
public:
    // False when a class could not be installed.
    static bool install(KnScript::Engine &engine);
    static void registerFactories();
};

} // namespace KnObjects
