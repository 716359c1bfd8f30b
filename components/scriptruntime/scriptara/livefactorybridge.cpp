#include "components/scriptruntime/scriptara/livefactorybridge.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/liveobjectbridge.h"

#include <QJSEngine>

namespace KnScript {

LiveFactoryBridge::LiveFactoryBridge(Engine &engine,
                                     std::shared_ptr<Kernova::LiveObjectFactory> factory)
    : m_engine(engine)
    , m_factory(std::move(factory))
{
}

QJSValue LiveFactoryBridge::create(const QJSValue &arguments)
{
    int error = 0;
    auto object = m_factory->create(LiveObjectBridge::argumentsOf(m_engine, arguments), error);
    if (!object) {
        m_engine.jsEngine().throwError(QStringLiteral("cannot construct object (%1)").arg(error));
        return QJSValue(QJSValue::UndefinedValue);
    }
    object->initialize();
    return m_engine.toScript(Kernova::Variant(object));
}

} // namespace KnScript
