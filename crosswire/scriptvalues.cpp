#include "crosswire/scriptvalues.h"

#include "components/scriptruntime/scriptara/engine.h"

#include <QJSEngine>
#include <QJSValue>

namespace KnObjects {

using Kernova::Variant;

namespace {

const char kTrampolineName[] = "__crosswireCall__";
const char kTrampoline[] = R"JS(
(function (f, self, args) {
  try { return { ok: true, value: f.apply(self, args) }; }
  catch (e) { return { ok: false, error: e }; }
})
)JS";

} // namespace

QString ScriptValues::text(KnScript::Engine *engine, const Variant &value)
{
    switch (value.type()) {
    case Variant::Type::Undefined:
    case Variant::Type::Null:
        return {};
    case Variant::Type::Script:
    case Variant::Type::Array:
    case Variant::Type::HashTable:
        return engine ? engine->toScript(value).toString() : QString();
    case Variant::Type::Object:
        return engine ? engine->toScript(value).toString() : value.toString().toQString();
    default:
        return value.toString().toQString();
    }
}

bool ScriptValues::isFunction(KnScript::Engine *engine, const Variant &value)
{
    return engine && value.type() == Variant::Type::Script && engine->toScript(value).isCallable();
}

bool ScriptValues::call(KnScript::Engine &engine, const Variant &function, const Variant &self,
                        const Kernova::Array &arguments, Variant &result, QString *errorText,
                        int *errorCode)
{
    auto fail = [&](const QString &text, int code) {
        if (errorText)
            *errorText = text;
        if (errorCode)
            *errorCode = code;
        return false;
    };
    const QJSValue callable = engine.toScript(function);
    if (!callable.isCallable())
        return fail(QStringLiteral("TypeError: not a function"), 24);
    QJSEngine &js = engine.jsEngine();
    // The engine hands a thrown value back like a returned one, so a thrown text could not be
    // told from a result: the call goes through a function that catches in the script itself.
    QJSValue global = js.globalObject();
    QJSValue trampoline = global.property(QLatin1String(kTrampolineName));
    if (!trampoline.isCallable()) {
        trampoline = js.evaluate(QLatin1String(kTrampoline));
        QJSValue define = js.evaluate(
            QStringLiteral("(function (g, n, f) { Object.defineProperty(g, n, { value: f }); })"));
        define.call({global, QLatin1String(kTrampolineName), trampoline});
    }
    QJSValue list = js.newArray(uint(arguments.size()));
    for (qsizetype i = 0; i < arguments.size(); ++i)
        list.setProperty(quint32(i), engine.toScript(arguments.at(i)));
    const QJSValue outcome = trampoline.call({callable, engine.toScript(self), list});
    if (outcome.isError())
        return fail(outcome.toString(), KnScript::Engine::errorCodeOf(outcome));
    if (!outcome.property(QStringLiteral("ok")).toBool()) {
        const QJSValue thrown = outcome.property(QStringLiteral("error"));
        return fail(thrown.toString(), KnScript::Engine::errorCodeOf(thrown));
    }
    result = engine.fromScript(outcome.property(QStringLiteral("value")));
    return true;
}

QString ScriptValues::argument(KnScript::Engine *engine, const Kernova::Array &arguments,
                               qsizetype index, const QString &fallback)
{
    if (!hasArgument(arguments, index))
        return fallback;
    return text(engine, arguments.at(index));
}

bool ScriptValues::hasArgument(const Kernova::Array &arguments, qsizetype index)
{
    return index < arguments.size() && !arguments.at(index).isUndefined();
}

} // namespace KnObjects
