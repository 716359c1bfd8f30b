#include "crosswire/crosswirescripting.h"

#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/crosswireliveobjectfactory.h"
#include "crosswire/proxyobjectfactory.h"
#include "crosswire/scriptlocalizercomponent.h"
#include "crosswire/urlobjectfactory.h"

#include <QJSEngine>
#include <QJSValue>

#include <mutex>

namespace KnObjects {

void CrosswireScripting::registerFactories()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Kernova::LiveObject::addFactory(Kernova::String("Crosswire"),
                                        std::make_shared<CrosswireLiveObjectFactory>());
        Kernova::LiveObject::addFactory(Kernova::String("URL"),
                                        std::make_shared<URLObjectFactory>());
        Kernova::LiveObject::addFactory(Kernova::String("ProxyObject"),
                                        std::make_shared<ProxyObjectFactory>());
    });
}

bool CrosswireScripting::install(KnScript::Engine &engine)
{
    registerFactories();
    // Installed once per engine: installing again would drop the Crosswire.onReceive the
    // application defined.
    const Kernova::Variant present =
        engine.getProperty(engine.globalObject(), Kernova::String("Crosswire"));
    if (!present.isUndefined())
        return true;
    bool installed = true;
    for (const char *name : {"Crosswire", "URL", "ProxyObject"})
        installed = engine.installClass(Kernova::String(name)) && installed;
    // localize() for the ZStrings of scripts.
    std::shared_ptr<ScriptLocalizerComponent> localizer(new ScriptLocalizerComponent);
    localizer->initialize();
    installed = engine.installObject(Kernova::String(ScriptLocalizerComponent::kName), localizer) &&
                installed;
    const QJSValue define =
        engine.jsEngine().evaluate(QLatin1String(ScriptLocalizerComponent::globalFunctionScript()));
    const QJSValue global = engine.jsEngine().globalObject();
    const QJSValue outcome = QJSValue(define).callWithInstance(
        global, {global.property(QLatin1String(ScriptLocalizerComponent::kName))});
    return installed && !outcome.isError();
}

} // namespace KnObjects
