#pragma once

#include <QJSValue>
#include <QObject>

#include <memory>

namespace Kernova {
class Array;
class LiveObject;
} // namespace Kernova

namespace KnScript {

class Engine;

// The script side of a native object: the engine's proxy calls these by member name.
class LiveObjectBridge : public QObject
{
    Q_OBJECT
public:
    LiveObjectBridge(Engine &engine, std::shared_ptr<Kernova::LiveObject> object);
    std::shared_ptr<Kernova::LiveObject> object() const { return m_object; }

    // 0 no such member, 1 a property, 2 a method.
    Q_INVOKABLE int kind(const QString &name);
    Q_INVOKABLE QJSValue get(const QString &name);
    // An empty string on success, else the error text.
    Q_INVOKABLE QString put(const QString &name, const QJSValue &value);
    // {ok, value} or {ok: false, code, message}.
    Q_INVOKABLE QJSValue call(const QString &name, const QJSValue &arguments);

    // The elements of a script array as call arguments (at most 1024).
    static Kernova::Array argumentsOf(Engine &engine, const QJSValue &list);

private:
    Engine &m_engine;
    std::shared_ptr<Kernova::LiveObject> m_object;
};

} // namespace KnScript
