#include "crosswire/scriptarahandler.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/liveobjectapi.h"
#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswirescripting.h"
#include "crosswire/message.h"
#include "crosswire/scriptvalues.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

using Kernova::Variant;

namespace {
thread_local int nesting = 0;

struct NestingScope
{
    NestingScope() { ++nesting; }
    ~NestingScope() { --nesting; }
};
} // namespace

ScriptaraHandler::ScriptaraHandler(KnScript::Engine *engine)
    : m_engine(engine)
{
    if (m_engine)
        CrosswireScripting::install(*m_engine);
}

bool ScriptaraHandler::isScript(int event, const Crosswire::Message &message)
{
    // Responses reach the script handler when nobody waits for them any more; their bodies are
    // another application's answers, never scripts to run.
    static const QByteArrayList notScripts = {"Received", "Result", "Error", "Timeout", "Processed",
                                              "Launched", "Idle",   "Log",   "Ignore"};
    if (event >= 2)
        return false;
    for (const QByteArray &type : notScripts) {
        if (message.type.startsWith(type))
            return false;
    }
    return true;
}

int ScriptaraHandler::handle(int event, Crosswire::Message &message, QByteArray &result)
{
    if (!isScript(event, message))
        return 0;
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    if (!engine || (m_engine && engine != m_engine)) {
        result = "ERROR: NO SCRIPT ENGINE";
        return kNoEngine;
    }
    if (nesting >= kMaxNesting) {
        result = "ERROR: MESSAGES NESTED TOO DEEPLY";
        return kNestedTooDeeply;
    }
    NestingScope scope;
    const Variant crosswire = engine->getProperty(KnScript::LiveObjectAPI::getGlobalObject(engine),
                                                  Kernova::String("Crosswire"));
    const Variant onReceive = engine->getProperty(crosswire, Kernova::String("onReceive"));
    const std::shared_ptr<CrosswireLiveObject> received = CrosswireLiveObject::fromMessage(message);
    const Kernova::Array arguments{Variant(std::shared_ptr<Kernova::LiveObject>(received))};
    Variant value;
    QString errorText;
    int errorCode = 0;
    if (!ScriptValues::isFunction(engine, onReceive)) {
        result = "TypeError: Crosswire.onReceive is not a function";
        return 24;
    }
    if (!ScriptValues::call(*engine, onReceive, crosswire, arguments, value, &errorText,
                            &errorCode)) {
        qCInfo(lcCrosswire).noquote() << "script from" << message.sender << "failed:" << errorText;
        result = errorText.toUtf8();
        return errorCode;
    }
    result = ScriptValues::utf8(engine, value);
    // The script answered with sendResult() already: the sender gets one Result, not two.
    if (received->resultSent())
        message.responseRequest.replace("Result", "");
    return 0;
}

} // namespace KnObjects
