#pragma once

#include "crosswire/msghandler.h"

namespace KnScript {
class Engine;
}

namespace KnObjects {

// The script message handler of an endpoint: hands every script message to the script function
// Crosswire.onReceive of its engine, with the message as a Crosswire object. The function's
// value, as text, is the Result; a script error gives an Error response with the error's text
// and code; a script that answered with sendResult() already is not answered again. Responses
// and other protocol messages are not scripts and are left alone.
//
// Making one installs the script classes (Crosswire, URL, ProxyObject) on the engine. The usual
// set-up, on the thread that later pumps:
//
//     KnScript::Engine *engine = KnScript::Engine::createEngine(0x10000);
//     context.init("pxolauncher-11.0");
//     context.addHandler(std::make_shared<KnObjects::ScriptaraHandler>(engine));
//     engine->evaluate(Kernova::String(
//         "Crosswire.onReceive = function(bt) { return eval (bt.body);}"));
//
// At start-up an application may also run its own start-up script
// (StartupScripts::load(*engine, "pxolauncher-11.0")). The handler works only on its engine's
// thread; pumped elsewhere it answers code 32.
class ScriptaraHandler : public Crosswire::MsgHandler
{
public:
    static constexpr int kNoEngine = 32;
    // onReceive calling pump() calling onReceive...: deeper than this is refused.
    static constexpr int kMaxNesting = 8;
    static constexpr int kNestedTooDeeply = 33;

    explicit ScriptaraHandler(KnScript::Engine *engine);

    int handle(int event, Crosswire::Message &message, QByteArray &result) override;

    KnScript::Engine *engine() const { return m_engine; }
    // Whether `message` is a script to evaluate (not a response or a protocol message).
    static bool isScript(int event, const Crosswire::Message &message);

private:
    KnScript::Engine *const m_engine;
};

} // namespace KnObjects
