#pragma once

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/variant.h"

#include <QByteArray>
#include <QString>

namespace KnScript {
class Engine;
}

namespace KnObjects {

// Conversions the script objects share: values that live in the script engine (script objects,
// arrays, functions) are read through the engine, the others directly.
class ScriptValues
{
public:
    // The text of `value` as a script's String(value) gives it ("" for undefined and null).
    static QString text(KnScript::Engine *engine, const Kernova::Variant &value);
    static QByteArray utf8(KnScript::Engine *engine, const Kernova::Variant &value)
    {
        return text(engine, value).toUtf8();
    }
    // Whether `value` is a script function of `engine`.
    static bool isFunction(KnScript::Engine *engine, const Kernova::Variant &value);
    // Calls the script function `function` with `self` as "this"; false on a script error, with
    // the error's text and code (never 0) in `errorText` and `errorCode`.
    static bool call(KnScript::Engine &engine, const Kernova::Variant &function,
                     const Kernova::Variant &self, const Kernova::Array &arguments,
                     Kernova::Variant &result, QString *errorText = nullptr,
                     int *errorCode = nullptr);
    // A text argument: the argument at `index` as text, `fallback` when it is missing or
    // undefined.
    static QString argument(KnScript::Engine *engine, const Kernova::Array &arguments,
                            qsizetype index, const QString &fallback = {});
    static bool hasArgument(const Kernova::Array &arguments, qsizetype index);
};

} // namespace KnObjects
