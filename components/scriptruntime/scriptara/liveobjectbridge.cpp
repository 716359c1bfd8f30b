#include "components/scriptruntime/scriptara/liveobjectbridge.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/scriptara/engine.h"

#include <QJSEngine>

namespace KnScript {

Kernova::Array LiveObjectBridge::argumentsOf(Engine &engine, const QJSValue &list)
{
    Kernova::Array arguments;
    const quint32 length = list.property(QStringLiteral("length")).toUInt();
    for (quint32 i = 0; i < length && i < 1024; ++i)
        arguments.append(engine.fromScript(list.property(i)));
    return arguments;
}

LiveObjectBridge::LiveObjectBridge(Engine &engine, std::shared_ptr<Kernova::LiveObject> object)
    : m_engine(engine)
    , m_object(std::move(object))
{
}

int LiveObjectBridge::kind(const QString &name)
{
    const int id = m_object->getIDForName(Kernova::String(name));
    if (id < 0)
        return 0;
    return (m_object->flagsForID(id) & 0x7F) == Kernova::LivePropertyManager::kMethod ? 2 : 1;
}

QJSValue LiveObjectBridge::get(const QString &name)
{
    Kernova::Variant value;
    if (m_object->get(m_object->getIDForName(Kernova::String(name)), value) != 0)
        return QJSValue(QJSValue::UndefinedValue);
    return m_engine.toScript(value);
}

QString LiveObjectBridge::put(const QString &name, const QJSValue &value)
{
    m_object->clearError();
    const int code =
        m_object->put(m_object->getIDForName(Kernova::String(name)), m_engine.fromScript(value));
    return code == 0 ? QString()
                     : m_object->errorMessage().toQString() + QStringLiteral(" (") +
                           QString::number(code) + QLatin1Char(')');
}

QJSValue LiveObjectBridge::call(const QString &name, const QJSValue &arguments)
{
    QJSEngine &js = m_engine.jsEngine();
    QJSValue outcome = js.newObject();
    Kernova::Variant result;
    m_object->clearError();
    const int code = m_object->call(m_object->getIDForName(Kernova::String(name)),
                                    argumentsOf(m_engine, arguments), result);
    outcome.setProperty(QStringLiteral("ok"), code == 0);
    if (code == 0) {
        outcome.setProperty(QStringLiteral("value"), m_engine.toScript(result));
    } else {
        outcome.setProperty(QStringLiteral("code"), code);
        const QString message = m_object->errorMessage().toQString();
        outcome.setProperty(QStringLiteral("message"),
                            message.isEmpty() ? name + QStringLiteral(" failed") : message);
    }
    return outcome;
}

} // namespace KnScript
