#pragma once

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"

#include <memory>

#include <QJSValue>

class QJSEngine;
class QJSValue;

namespace Kernova {
class LiveObject;
}

namespace KnScript {

// A script engine (ECMAScript, over QJSEngine), one per thread: createEngine() makes the calling
// thread's engine, getCurrent() finds it. Native objects installed on the global object are used
// by scripts like script objects: their properties read and written, their methods called by
// name; classes with a factory are constructed with "new".
class Engine
{
public:
    static constexpr int kScriptEngineType = 0x10000;

    struct Error
    {
        Kernova::String message;
        int line = 0;
        int code = 0;
    };

    // The calling thread's engine of `type` (0x10000), made on first call and kept for the
    // thread's life; null for another type.
    static Engine *createEngine(int type);
    static Engine *getCurrent();
    // Ends the calling thread's engine.
    static void destroyCurrent();
    // The code a thrown script value reports: its own non-zero "code", else one per error kind
    // (a code of 0 would read as success to callers that test it).
    static int errorCodeOf(const QJSValue &error);

    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Evaluates `script`; false on a script error (see getLastError).
    bool evaluate(const Kernova::String &script, Kernova::Variant *result = nullptr,
                  const Kernova::String &fileName = {});
    // A named property of a script value (the global object from globalObject()).
    Kernova::Variant getProperty(const Kernova::Variant &object, const Kernova::String &name);
    bool setProperty(const Kernova::Variant &object, const Kernova::String &name,
                     const Kernova::Variant &value);
    // Calls the method `name` of `object` with `arguments`.
    bool callMethod(const Kernova::Variant &object, const Kernova::String &name,
                    const Kernova::Array &arguments, Kernova::Variant &result);
    bool lastCallFailed() const;
    // The last error; cleared unless `keep`.
    Error getLastError(bool keep = false);
    void clearLastError();

    Kernova::Variant globalObject();
    // Installs a native object on the global object under `name`.
    bool installObject(const Kernova::String &name, std::shared_ptr<Kernova::LiveObject> object);
    // Installs the class `className` whose factory was added with LiveObject::addFactory.
    bool installClass(const Kernova::String &className);

    QJSEngine &jsEngine();
    // Conversions between runtime values and the engine's values.
    QJSValue toScript(const Kernova::Variant &value);
    Kernova::Variant fromScript(const QJSValue &value);

private:
    Engine();
    void recordError(const QJSValue &error);
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace KnScript
