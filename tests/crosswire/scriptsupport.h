#pragma once

#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/scriptarahandler.h"
#include "crosswire/scriptvalues.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace CrosswireTest {

// An application as the launcher sets it up: a script engine on this thread, a messaging
// context with an endpoint, its script handler and the launcher's Crosswire.onReceive.
class ScriptApplication : public ::testing::Test
{
protected:
    static constexpr const char *kOnReceive =
        "Crosswire.onReceive = function(bt) { return eval (bt.body);}";

    void SetUp() override { start("scripttest-1.0"); }
    void TearDown() override { stop(); }

    void start(const QByteArray &specifier,
               std::unique_ptr<KnObjects::CrosswireConnectorHooks> hooks = nullptr)
    {
        engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
        ASSERT_NE(engine, nullptr);
        context = std::make_unique<KnObjects::CrosswireContext>(identity(), std::move(hooks));
        ASSERT_TRUE(context->init(specifier));
        ASSERT_TRUE(context->addHandler(std::make_shared<KnObjects::ScriptaraHandler>(engine)));
        ASSERT_TRUE(run(QLatin1String(kOnReceive))) << lastError().toStdString();
    }
    // The context goes before the engine: its handlers hold script values.
    void stop()
    {
        context.reset();
        KnScript::Engine::destroyCurrent();
        engine = nullptr;
    }

    bool run(const QString &script) { return engine->evaluate(Kernova::String(script), &m_last); }
    // The script's value as text; a script error is a test failure.
    QString value(const QString &script)
    {
        if (!run(script)) {
            ADD_FAILURE() << "script failed: " << script.toStdString() << ": "
                          << lastError().toStdString();
            return {};
        }
        return KnObjects::ScriptValues::text(engine, m_last);
    }
    QString lastError() { return engine->getLastError(true).message.toQString(); }
    // Pumps until the script condition holds (a bound, never an expectation).
    bool pumpUntilScript(const QString &condition, int seconds = 10)
    {
        return pumpUntil(
            *context, [&] { return value(condition) == QLatin1String("true"); }, seconds);
    }

    TestEnvironment environment;
    KnScript::Engine *engine = nullptr;
    std::unique_ptr<KnObjects::CrosswireContext> context;

private:
    Kernova::Variant m_last;
};

} // namespace CrosswireTest
