#include "components/scriptruntime/scriptara/engine.h"

#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/scriptara/livefactorybridge.h"
#include "components/scriptruntime/scriptara/liveobjectbridge.h"

#include <QJSEngine>

namespace KnScript {

using Kernova::Variant;

namespace {

thread_local std::unique_ptr<Engine> currentEngine;
// Nested arrays and objects deeper than this convert to undefined: a cycle must not recurse
// for ever.
constexpr int kMaxDepth = 64;

// Wraps a bridge in a proxy, so member names reach the native object.
const char *const kObjectWrapper = R"JS(
(function (bridge) {
  return new Proxy({}, {
    get: function (target, name) {
      if (name === '__knBridge') return bridge;
      if (typeof name !== 'string') return target[name];
      var kind = bridge.kind(name);
      if (kind === 2) return function () {
        var r = bridge.call(name, Array.prototype.slice.call(arguments));
        if (!r.ok) { var e = new Error(r.message); e.code = r.code; throw e; }
        return r.value;
      };
      if (kind === 1) return bridge.get(name);
      return target[name];
    },
    set: function (target, name, value) {
      if (typeof name === 'string' && bridge.kind(name) === 1) {
        var error = bridge.put(name, value);
        if (error) throw new Error(error);
      } else {
        target[name] = value;
      }
      return true;
    },
    has: function (target, name) {
      return (typeof name === 'string' && bridge.kind(name) !== 0) || (name in target);
    }
  });
})
)JS";

// A constructor function that makes native objects, with the class's static members on it.
const char *const kClassWrapper = R"JS(
(function (factory, statics) {
  var ctor = function () { return factory.create(Array.prototype.slice.call(arguments)); };
  if (!statics) return ctor;
  return new Proxy(ctor, {
    get: function (target, name) {
      if (typeof name === 'string' && name in statics) return statics[name];
      return target[name];
    },
    set: function (target, name, value) {
      if (typeof name === 'string' && name in statics) statics[name] = value;
      else target[name] = value;
      return true;
    }
  });
})
)JS";

// Calls a function so that whatever it throws, an Error or any other value, comes back marked as
// thrown: QJSValue::call hands back a thrown string or object as if it had been returned.
const char *const kCaller = R"JS(
(function (f, self, args) {
  try { return { ok: true, value: f.apply(self, args) }; }
  catch (e) { return { ok: false, error: e }; }
})
)JS";

class JsHandle : public Kernova::ScriptHandle
{
public:
    explicit JsHandle(QJSValue value)
        : value(std::move(value))
    {
    }
    QJSValue value;
};

} // namespace

struct Engine::Private
{
    QJSEngine js;
    QJSValue objectWrapper;
    QJSValue classWrapper;
    QJSValue caller;
    bool lastFailed = false;
    Error lastError;
};

Engine::Engine()
    : d(std::make_unique<Private>())
{
    d->js.installExtensions(QJSEngine::ConsoleExtension);
    d->objectWrapper = d->js.evaluate(QString::fromLatin1(kObjectWrapper));
    d->classWrapper = d->js.evaluate(QString::fromLatin1(kClassWrapper));
    d->caller = d->js.evaluate(QString::fromLatin1(kCaller));
}

Engine::~Engine() = default;

int Engine::errorCodeOf(const QJSValue &error)
{
    const QJSValue code = error.property(QStringLiteral("code"));
    if (code.isNumber() && code.toInt() != 0)
        return code.toInt();
    switch (error.errorType()) {
    case QJSValue::SyntaxError:
        return 25;
    case QJSValue::TypeError:
        return 24;
    case QJSValue::ReferenceError:
        return 2;
    case QJSValue::RangeError:
        return 3;
    default:
        return 1;
    }
}

Engine *Engine::createEngine(int type)
{
    if (type != kScriptEngineType)
        return nullptr;
    if (!currentEngine)
        currentEngine.reset(new Engine);
    return currentEngine.get();
}

Engine *Engine::getCurrent()
{
    return currentEngine.get();
}

void Engine::destroyCurrent()
{
    currentEngine.reset();
}

QJSEngine &Engine::jsEngine()
{
    return d->js;
}

void Engine::recordError(const QJSValue &error)
{
    d->lastFailed = true;
    d->lastError.message = Kernova::String(error.toString());
    d->lastError.line = error.property(QStringLiteral("lineNumber")).toInt();
    d->lastError.code = errorCodeOf(error);
}

bool Engine::lastCallFailed() const
{
    return d->lastFailed;
}

Engine::Error Engine::getLastError(bool keep)
{
    const Error error = d->lastError;
    if (!keep)
        clearLastError();
    return error;
}

void Engine::clearLastError()
{
    d->lastFailed = false;
    d->lastError = Error();
}

bool Engine::evaluate(const Kernova::String &script, Variant *result,
                      const Kernova::String &fileName)
{
    d->lastFailed = false;
    // The stack trace is filled only when the script threw, which is the one sign of a thrown
    // value that is not an Error.
    QStringList thrownTrace;
    const QJSValue value =
        d->js.evaluate(script.toQString(), fileName.toQString(), 1, &thrownTrace);
    if (value.isError() || !thrownTrace.isEmpty()) {
        recordError(value);
        if (d->lastError.line == 0 && !thrownTrace.isEmpty())
            d->lastError.line = thrownTrace.constFirst().section(QLatin1Char(':'), 1, 1).toInt();
        return false;
    }
    if (result)
        *result = fromScript(value);
    return true;
}

Variant Engine::globalObject()
{
    return Variant(
        std::shared_ptr<Kernova::ScriptHandle>(std::make_shared<JsHandle>(d->js.globalObject())));
}

Variant Engine::getProperty(const Variant &object, const Kernova::String &name)
{
    return fromScript(toScript(object).property(name.toQString()));
}

bool Engine::setProperty(const Variant &object, const Kernova::String &name, const Variant &value)
{
    QJSValue target = toScript(object);
    if (!target.isObject())
        return false;
    target.setProperty(name.toQString(), toScript(value));
    return true;
}

bool Engine::callMethod(const Variant &object, const Kernova::String &name,
                        const Kernova::Array &arguments, Variant &result)
{
    d->lastFailed = false;
    QJSValue target = toScript(object);
    QJSValue function = target.property(name.toQString());
    if (!function.isCallable()) {
        d->lastFailed = true;
        d->lastError = {Kernova::String(QStringLiteral("not a function: ") + name.toQString()), 0,
                        24};
        return false;
    }
    QJSValue list = d->js.newArray(uint(arguments.size()));
    for (qsizetype i = 0; i < arguments.size(); ++i)
        list.setProperty(quint32(i), toScript(arguments.at(i)));
    const QJSValue outcome = d->caller.call({function, target, list});
    if (!outcome.property(QStringLiteral("ok")).toBool()) {
        recordError(outcome.isError() ? outcome : outcome.property(QStringLiteral("error")));
        return false;
    }
    result = fromScript(outcome.property(QStringLiteral("value")));
    return true;
}

bool Engine::installObject(const Kernova::String &name, std::shared_ptr<Kernova::LiveObject> object)
{
    if (!object || name.isEmpty())
        return false;
    d->js.globalObject().setProperty(name.toQString(), toScript(Variant(std::move(object))));
    return true;
}

bool Engine::installClass(const Kernova::String &className)
{
    auto factory = Kernova::LiveObject::getFactory(className);
    if (!factory)
        return false;
    const QJSValue statics =
        factory->statics() ? toScript(Variant(factory->statics())) : QJSValue(QJSValue::NullValue);
    QJSValue bridge = d->js.newQObject(new LiveFactoryBridge(*this, factory));
    const QJSValue ctor = d->classWrapper.call({bridge, statics});
    d->js.globalObject().setProperty(className.toQString(), ctor);
    return !ctor.isError();
}

QJSValue Engine::toScript(const Variant &value)
{
    switch (value.type()) {
    case Variant::Type::Undefined:
        return QJSValue(QJSValue::UndefinedValue);
    case Variant::Type::Null:
        return QJSValue(QJSValue::NullValue);
    case Variant::Type::Bool:
        return QJSValue(value.toBool());
    case Variant::Type::Number:
        return QJSValue(value.toNumber());
    case Variant::Type::String:
        return QJSValue(value.toString().toQString());
    case Variant::Type::Object: {
        QJSValue bridge = d->js.newQObject(new LiveObjectBridge(*this, value.toObject()));
        return d->objectWrapper.call({bridge});
    }
    case Variant::Type::Array: {
        const Kernova::Array &array = value.toArray();
        QJSValue list = d->js.newArray(uint(array.size()));
        for (qsizetype i = 0; i < array.size(); ++i)
            list.setProperty(quint32(i), toScript(array.at(i)));
        return list;
    }
    case Variant::Type::HashTable: {
        const Kernova::HashTable &table = value.toHashTable();
        QJSValue object = d->js.newObject();
        for (const QString &key : table.keys())
            object.setProperty(key, toScript(table.get(Kernova::String(key))));
        return object;
    }
    case Variant::Type::Script: {
        auto handle = std::dynamic_pointer_cast<JsHandle>(value.toScriptHandle());
        return handle ? handle->value : QJSValue(QJSValue::UndefinedValue);
    }
    }
    return QJSValue(QJSValue::UndefinedValue);
}

Variant Engine::fromScript(const QJSValue &value)
{
    if (value.isUndefined())
        return Variant();
    if (value.isNull())
        return Variant::null();
    if (value.isBool())
        return Variant(value.toBool());
    if (value.isNumber())
        return Variant(value.toNumber());
    if (value.isString())
        return Variant(Kernova::String(value.toString()));
    if (value.isObject()) {
        const QJSValue bridge = value.property(QStringLiteral("__knBridge"));
        if (auto *native = qobject_cast<LiveObjectBridge *>(bridge.toQObject()))
            return Variant(native->object());
    }
    // Script objects, arrays and functions stay in the engine; arguments can still be read as
    // values through the engine.
    return Variant(std::shared_ptr<Kernova::ScriptHandle>(std::make_shared<JsHandle>(value)));
}

} // namespace KnScript
