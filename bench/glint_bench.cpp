// Movie-to-host and host-to-movie calls per second through the whole player path (encoding,
// window message, parsing, slot or movie function, reply, decoding), each beside the direct Qt
// call it stands for: QMetaObject::invokeMethod by name for a host slot, QJSValue::call for a
// movie function. Run under an X server (xvfb-run); prints the ratios at the end.

#include "shared/glint/qtglintplayer.h"

#include <QApplication>
#include <QJSEngine>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

class Adder : public QObject
{
    Q_OBJECT
public slots:
    int add(int a, int b) { return a + b; }
};

QtGlintPlayer *g_player = nullptr;
Adder *g_adder = nullptr;
std::map<std::string, double> g_rates;

// Calls per second of the benchmark's last run, for the ratios.
class RateMeter
{
public:
    explicit RateMeter(const char *name)
        : m_name(name)
        , m_start(std::chrono::steady_clock::now())
    {
    }
    void finish(benchmark::State &state, double calls)
    {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        g_rates[m_name] = calls / seconds;
        state.counters["calls/s"] = benchmark::Counter(calls, benchmark::Counter::kIsRate);
    }

private:
    std::string m_name;
    std::chrono::steady_clock::time_point m_start;
};

constexpr int kCallsPerLoop = 1000;

void BM_MovieToHost(benchmark::State &state)
{
    const QList<QVariant> arguments{kCallsPerLoop};
    RateMeter meter("movieToHost");
    for (auto _ : state)
        benchmark::DoNotOptimize(g_player->CallFunction("loop", &arguments));
    meter.finish(state, double(state.iterations()) * kCallsPerLoop);
}
BENCHMARK(BM_MovieToHost)->Unit(benchmark::kMillisecond);

void BM_InvokeMethodDirect(benchmark::State &state)
{
    RateMeter meter("invokeMethod");
    int i = 0;
    for (auto _ : state) {
        int result = 0;
        QMetaObject::invokeMethod(g_adder, "add", Qt::DirectConnection, Q_RETURN_ARG(int, result),
                                  Q_ARG(int, i++), Q_ARG(int, 2));
        benchmark::DoNotOptimize(result);
    }
    meter.finish(state, double(state.iterations()));
}
BENCHMARK(BM_InvokeMethodDirect);

void BM_HostToMovie(benchmark::State &state)
{
    RateMeter meter("hostToMovie");
    int i = 0;
    for (auto _ : state) {
        const QList<QVariant> arguments{i++, 2};
        benchmark::DoNotOptimize(g_player->CallFunction("add", &arguments));
    }
    meter.finish(state, double(state.iterations()));
}
BENCHMARK(BM_HostToMovie);

void BM_JSValueCallDirect(benchmark::State &state)
{
    QJSEngine engine;
    QJSValue add = engine.evaluate(QStringLiteral("(function(a, b) { return a + b })"));
    RateMeter meter("jsValueCall");
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(add.call({QJSValue(i++), QJSValue(2)}));
    meter.finish(state, double(state.iterations()));
}
BENCHMARK(BM_JSValueCallDirect);

void printRatio(const char *what, const char *path, const char *peer)
{
    const double a = g_rates[path];
    const double b = g_rates[peer];
    if (a > 0 && b > 0)
        std::printf("%-60s %12.0f calls/s vs %12.0f calls/s: the direct call is %.1fx faster\n",
                    what, a, b, b / a);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QWidget frame;
    frame.resize(200, 200);
    auto *player = new QtGlintPlayer(&frame);
    Adder adder;
    player->AddCallback(QStringLiteral("add"), &adder, QStringLiteral("add"), QVariant(0));
    frame.show();
    if (player->Load(QStringLiteral(TESSALY_SOURCE_DIR "/tests/glint/movies/bench.swf")) != 0) {
        std::fprintf(stderr, "the benchmark movie did not load\n");
        return 1;
    }
    g_player = player;
    g_adder = &adder;

    benchmark::RunSpecifiedBenchmarks();
    std::printf("\n");
    printRatio("movie-to-host (2 arguments, int reply) / QMetaObject::invokeMethod", "movieToHost",
               "invokeMethod");
    printRatio("host-to-movie (2 arguments, number reply) / QJSValue::call", "hostToMovie",
               "jsValueCall");
    benchmark::Shutdown();
    return 0;
}

#include "glint_bench.moc"
