// Recording one usage event (JSON encoding, the folder lock, the rotation check and an append
// that is taken back on a short write) beside the bare cost of appending a line of the same size
// to a file (open, write, close). Prints the ratio at the end:
//   event / plain append (what encoding, locking and rotation cost on top of the write)

#include "components/pip/usagesession.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

double eventNanoseconds = 0;
double plainNanoseconds = 0;

constexpr qint64 kLineBytes = 330; // about one launcher event record

void BM_UsageEvent(benchmark::State &state)
{
    QTemporaryDir dir;
    const QByteArray folder = (dir.path() + QStringLiteral("/records")).toUtf8();
    const UTSessionInfo info{"Orvana",       "PixtrelOrvana", "Orvana11",
                             "11.0 (bench)", "en_US",         folder.constData()};
    UsageSession session(info);
    session.setRecording(true);
    int i = 0;
    for (auto _ : state) {
        const int32_t status = session.logEvent("page 2", "clickTutorials", "WS", ++i, 0);
        benchmark::DoNotOptimize(status);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UsageEvent)->Unit(benchmark::kMicrosecond)->Iterations(20000);

void BM_PlainAppend(benchmark::State &state)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path() + QStringLiteral("/plain.jsonl"));
    QByteArray line(kLineBytes - 1, 'x');
    line.append('\n');
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        benchmark::DoNotOptimize(::write(fd, line.constData(), size_t(line.size())));
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainAppend)->Unit(benchmark::kMicrosecond)->Iterations(20000);

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const double ns = run.GetAdjustedRealTime() * 1000.0; // reported in microseconds
            if (run.benchmark_name().find("BM_UsageEvent") == 0)
                eventNanoseconds = ns;
            else if (run.benchmark_name().find("BM_PlainAppend") == 0)
                plainNanoseconds = ns;
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (eventNanoseconds > 0 && plainNanoseconds > 0)
        std::printf("event / plain append: %.0f ns / %.0f ns = %.2f\n", eventNanoseconds,
                    plainNanoseconds, eventNanoseconds / plainNanoseconds);
    benchmark::Shutdown();
    return 0;
}
