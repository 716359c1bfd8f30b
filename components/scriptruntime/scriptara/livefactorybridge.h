#pragma once

#include <QJSValue>
#include <QObject>

#include <memory>

namespace Kernova {
class LiveObjectFactory;
} // namespace Kernova

namespace KnScript {

class Engine;

// Constructs native objects of one class for "new ClassName(...)".
class LiveFactoryBridge : public QObject
{
    Q_OBJECT
public:
    LiveFactoryBridge(Engine &engine, std::shared_ptr<Kernova::LiveObjectFactory> factory);
    Q_INVOKABLE QJSValue create(const QJSValue &arguments);

private:
    Engine &m_engine;
    std::shared_ptr<Kernova::LiveObjectFactory> m_factory;
};

} // namespace KnScript
