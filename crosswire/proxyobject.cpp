#include "crosswire/proxyobject.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/scriptvalues.h"

namespace KnObjects {

using Kernova::LivePropertyManager;
using Kernova::Variant;

ProxyObject::ProxyObject()
    : Kernova::LiveObject(Kernova::String("ProxyObject"))
{
}

int ProxyObject::initialize()
{
    const int flags = LivePropertyManager::kMethod | LivePropertyManager::kStatic;
    registerProperty(Kernova::String("__defineGetter__"), kDefineGetter, flags,
                     Kernova::String("boolean,propName:string,funcName:string"));
    registerProperty(Kernova::String("__defineSetter__"), kDefineSetter, flags,
                     Kernova::String("boolean,propName:string,funcName:string"));
    return 0;
}

int ProxyObject::getIDForName(const Kernova::String &name)
{
    const int id = LiveObject::getIDForName(name);
    if (id >= 0)
        return id;
    return m_ids.value(name.toQString(), -1);
}

int ProxyObject::flagsForID(int id)
{
    if (const auto it = m_bindings.constFind(id); it != m_bindings.constEnd())
        return it->setter.isUndefined() ? LivePropertyManager::kReadOnly
                                        : LivePropertyManager::kReadWrite;
    return LiveObject::flagsForID(id);
}

int ProxyObject::invoke(const Variant &function, const Kernova::Array &arguments, Variant &result)
{
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    if (!engine)
        return setError(kNoEngine, Kernova::String("no script engine"));
    Variant callable = function;
    if (function.type() == Variant::Type::String)
        callable = engine->getProperty(engine->globalObject(), function.toString());
    QString errorText;
    int errorCode = 0;
    // "this" is the proxy as the script sees it.
    const Variant self{std::shared_ptr<Kernova::LiveObject>(shared_from_this())};
    if (!ScriptValues::call(*engine, callable, self, arguments, result, &errorText, &errorCode))
        return setError(errorCode, Kernova::String(errorText));
    return 0;
}

int ProxyObject::get(int id, Variant &value)
{
    const auto it = m_bindings.constFind(id);
    if (it == m_bindings.constEnd())
        return LiveObject::get(id, value);
    if (it->getter.isUndefined()) {
        value = Variant();
        return 0;
    }
    return invoke(it->getter, Kernova::Array{Variant(Kernova::String(it->name))}, value);
}

int ProxyObject::put(int id, const Variant &value)
{
    const auto it = m_bindings.constFind(id);
    if (it == m_bindings.constEnd())
        return LiveObject::put(id, value);
    if (it->setter.isUndefined())
        return setError(kReadOnly,
                        Kernova::String(QStringLiteral("read-only property: ") + it->name));
    Variant ignored;
    return invoke(it->setter, Kernova::Array{value, Variant(Kernova::String(it->name))}, ignored);
}

int ProxyObject::define(const Kernova::Array &arguments, bool setter, Variant &result)
{
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    const QString name = ScriptValues::argument(engine, arguments, 0);
    if (name.isEmpty() || !ScriptValues::hasArgument(arguments, 1))
        return setError(kBadArgument, Kernova::String("a property name and a function needed"));
    const Variant &function = arguments.at(1);
    Variant stored;
    if (ScriptValues::isFunction(engine, function))
        stored = function;
    else if (function.type() == Variant::Type::String && !function.toString().isEmpty())
        stored = function;
    else
        return setError(kBadArgument, Kernova::String("not a function or function name"));
    // The methods themselves cannot be redefined.
    if (LiveObject::getIDForName(Kernova::String(name)) >= 0) {
        result = Variant(false);
        return 0;
    }
    int id = m_ids.value(name, -1);
    if (id < 0) {
        if (m_ids.size() >= kMaxProperties)
            return setError(kBadArgument, Kernova::String("too many properties"));
        id = getNextID();
        m_ids.insert(name, id);
        m_bindings.insert(id, {name, Variant(), Variant()});
    }
    Binding &binding = m_bindings[id];
    (setter ? binding.setter : binding.getter) = stored;
    result = Variant(true);
    return 0;
}

int ProxyObject::call(int id, const Kernova::Array &arguments, Variant &result)
{
    switch (id) {
    case kDefineGetter:
        return define(arguments, false, result);
    case kDefineSetter:
        return define(arguments, true, result);
    default:
        return LiveObject::call(id, arguments, result);
    }
}

} // namespace KnObjects
