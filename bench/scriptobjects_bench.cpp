// What the script objects cost on top of the messaging they drive, measured in the same run:
// one exchange is a script message to the own endpoint, evaluated there by the script handler
// through Crosswire.onReceive, its Result delivered back and the exchange closed (Processed).
//
//   native   the message built, sent and answered in C++ (a handler bound to its serial)
//   script   the same exchange from a script: new Crosswire(), target, body, onResult, send()
//
// The ratio script / native is reported by the last benchmark. Everything runs in a temporary
// runtime, configuration and data folder.

#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/msghandler.h"
#include "crosswire/scriptarahandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

using namespace KnObjects;
using Crosswire::Message;

namespace {

constexpr const char *kSpecifier = "benchscript-1.0";

double nativeNs = 0;
double scriptNs = 0;

class ResultHandler : public Crosswire::MsgHandler
{
public:
    explicit ResultHandler(uint32_t serial)
        : m_serial(serial)
    {
    }
    int handle(int, Message &message, QByteArray &result) override
    {
        if (message.type == "Result")
            answer = message.body;
        result.clear();
        return 0;
    }
    int64_t serial() const override { return m_serial; }
    QByteArray answer;

private:
    uint32_t m_serial;
};

// One application with its engine, endpoint and script handler, for the whole run.
struct Application
{
    Application()
    {
        const std::pair<const char *, const char *> folders[] = {
            {"XDG_RUNTIME_DIR", "run"},
            {"XDG_CONFIG_HOME", "config"},
            {"XDG_DATA_HOME", "data"},
            {"HOME", "home"},
            {"TESSALY_MACHINE_ROOT", "machine"}};
        for (const auto &[name, leaf] : folders) {
            const QString path = folder.path() + QLatin1Char('/') + QLatin1String(leaf);
            QDir().mkpath(path);
            qputenv(name, QFile::encodeName(path));
        }
        // The messaging layer uses a runtime folder only its owner can enter.
        QFile::setPermissions(folder.path() + QStringLiteral("/run"), QFileDevice::ReadOwner |
                                                                          QFileDevice::WriteOwner |
                                                                          QFileDevice::ExeOwner);
        engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
        context = std::make_unique<CrosswireContext>(CrosswireContext::Identity{
            CrosswireIdentity::userId(), CrosswireIdentity::digestKey()});
        if (!context->init(kSpecifier))
            std::abort();
        context->addHandler(std::make_shared<ScriptaraHandler>(engine));
        engine->evaluate(
            Kernova::String("Crosswire.onReceive = function(bt) { return eval (bt.body);}"));
    }
    ~Application()
    {
        context.reset();
        KnScript::Engine::destroyCurrent();
    }
    void pumpUntilClosed()
    {
        CrosswireEndpoint *main = context->mainEndpoint();
        while (main->pendingResponses() != 0 || main->received().size() != 0)
            context->pump();
    }

    // Short: socket paths below it have room for about 100 bytes only.
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/sob-XXXXXX")};
    KnScript::Engine *engine = nullptr;
    std::unique_ptr<CrosswireContext> context;
};

Application &application()
{
    static Application app;
    return app;
}

double nsPerIteration(benchmark::State &state, std::chrono::steady_clock::duration elapsed)
{
    return double(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()) /
           double(state.iterations());
}

void BM_NativeExchange(benchmark::State &state)
{
    Application &app = application();
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Message message;
        message.target = kSpecifier;
        message.body = "6 * 7";
        message.responseRequest = "Result";
        message.serialNumber = app.context->nextSerialNumber();
        auto handler = std::make_shared<ResultHandler>(message.serialNumber);
        app.context->addHandler(handler);
        app.context->send(message, true);
        app.pumpUntilClosed();
        if (handler->answer != "42")
            state.SkipWithError("no answer");
    }
    nativeNs = nsPerIteration(state, std::chrono::steady_clock::now() - started);
}
BENCHMARK(BM_NativeExchange)->Unit(benchmark::kMicrosecond);

void BM_ScriptExchange(benchmark::State &state)
{
    Application &app = application();
    const Kernova::String script(R"JS(
        var cw = new Crosswire();
        cw.target = 'benchscript-1.0';
        cw.body = '6 * 7';
        cw.onResult = function (m) { answer = m.body; };
        cw.send();
    )JS");
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!app.engine->evaluate(script))
            state.SkipWithError("script failed");
        app.pumpUntilClosed();
    }
    scriptNs = nsPerIteration(state, std::chrono::steady_clock::now() - started);
    Kernova::Variant answer;
    app.engine->evaluate(Kernova::String("answer"), &answer);
    if (answer.toString().toQString() != QLatin1String("42"))
        state.SkipWithError("no answer");
}
BENCHMARK(BM_ScriptExchange)->Unit(benchmark::kMicrosecond);

void BM_Ratio(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(scriptNs);
    state.counters["script_over_native"] = nativeNs > 0 ? scriptNs / nativeNs : 0;
}
BENCHMARK(BM_Ratio)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
