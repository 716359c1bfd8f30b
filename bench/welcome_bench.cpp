// From the launcher's start to the first frame of the Welcome Screen on screen, and the
// launcher's resident memory at rest, each beside the same figures of welcome_bare (a bare
// top-level widget with a native-child Qt Quick view) started the same way in the same run.
//
// Both programs run on an X server of the bench's own (Xvfb, no window manager) with Qt Quick's
// software renderer, in one temporary set-up (machine root, XDG folders, runtime folder), so the
// real home folder is never touched. Each round starts the bare program, then the launcher.
//
// First frame on screen: both programs run with the Qt Quick render loop's timing trace on
// (QT_LOGGING_RULES "qt.scenegraph.time.renderloop.debug=true"). The software render loop writes
// "Frame rendered with 'software' renderloop" after it has rendered a frame and flushed it to
// the window, so the first such line on standard error marks the first frame on screen. The
// time runs from just before the process is started until the bench reads that line. The
// launcher's first Qt Quick frame is the Welcome Screen movie's (the pod player, a Qt Quick
// window of its own, is only made after that frame).
//
// At rest: VmRSS of /proc/<pid>/status, 1.5 s after the first frame.
//
// Usage (under no particular display; the bench starts its own):
//   welcome_bench [--benchmark_...]        TESSALY_BENCH_ROUNDS sets the rounds (default 7)
// The summary at the end gives the medians and the ratios against the targets (at most 1.3).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

const QByteArray kFrameMarker = "Frame rendered with 'software' renderloop";
constexpr int kFrameTimeoutMs = 30000;
constexpr int kRestMs = 1500;

struct Sample
{
    double firstFrameMs = 0;
    double residentMiB = 0;
};

struct Program
{
    const char *name;
    QString path;
    QStringList arguments;
};

// The X server and the folders of the whole run.
class BenchSetup
{
public:
    bool start(QString *error)
    {
        if (!m_root.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        for (const char *folder : {"machine", "config", "data", "runtime", "home"})
            QDir().mkpath(m_root.path() + QLatin1Char('/') + QLatin1String(folder));
        QFile::setPermissions(m_root.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        // -displayfd: the server picks a free display and writes its number once it accepts
        // connections.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
        QByteArray number;
        QElapsedTimer clock;
        clock.start();
        while (!number.contains('\n') && clock.elapsed() < 10000) {
            if (!m_server.waitForReadyRead(int(10000 - clock.elapsed())))
                break;
            number += m_server.readAllStandardOutput();
        }
        if (!number.contains('\n')) {
            *error = QStringLiteral("Xvfb did not report a display");
            return false;
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        return true;
    }

    ~BenchSetup()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(3000))
                m_server.kill();
            m_server.waitForFinished(3000);
        }
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString root = m_root.path();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        env.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("qt.scenegraph.time.renderloop.debug=true"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("XAUTHORITY"));
        env.insert(QStringLiteral("TESSALY_MACHINE_ROOT"), root + QStringLiteral("/machine"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        // The first start enables the file-monitor service: not on this machine's systemd.
        env.insert(QStringLiteral("TESSALY_SERVICE_CONTROL"), QStringLiteral("true"));
        env.insert(QStringLiteral("TESSALY_MESSAGEBOX_LOG"),
                   root + QStringLiteral("/messageboxes.jsonl"));
        return env;
    }

private:
    QTemporaryDir m_root;
    QProcess m_server;
    QString m_display;
};

std::unique_ptr<BenchSetup> g_setup;

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// Starts the program, waits for its first frame, lets it rest and reads its memory; the
// program is killed afterwards. Empty when no frame came.
std::optional<Sample> measure(const Program &program, QString *error)
{
    QProcess process;
    process.setProcessEnvironment(g_setup->environment());
    process.setReadChannel(QProcess::StandardError);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program.path, program.arguments);
    QByteArray seen;
    std::optional<Sample> sample;
    while (clock.elapsed() < kFrameTimeoutMs) {
        if (!process.waitForReadyRead(int(kFrameTimeoutMs - clock.elapsed())))
            break;
        seen += process.readAllStandardError();
        if (seen.contains(kFrameMarker)) {
            sample = Sample{double(clock.nsecsElapsed()) / 1e6, 0};
            break;
        }
        // Only the tail can hold the start of a marker cut in two.
        if (seen.size() > 4 * kFrameMarker.size())
            seen = seen.right(kFrameMarker.size());
    }
    if (sample) {
        // Keeps reading the per-frame traces while it rests, so a full pipe never stalls it.
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < kRestMs) {
            process.waitForReadyRead(int(kRestMs - rest.elapsed()));
            process.readAllStandardError();
        }
        sample->residentMiB = residentMiB(process.processId());
        if (sample->residentMiB == 0)
            sample.reset();
    }
    if (!sample)
        *error = QStringLiteral("%1: no frame on screen within %2 ms (%3)")
                     .arg(QLatin1String(program.name))
                     .arg(kFrameTimeoutMs)
                     .arg(process.state() == QProcess::NotRunning
                              ? QStringLiteral("ended with %1").arg(process.exitCode())
                              : QStringLiteral("still running"));
    process.kill();
    process.waitForFinished(5000);
    return sample;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Summary
{
    double bareMs = 0, launcherMs = 0, bareMiB = 0, launcherMiB = 0;
    bool valid = false;
} g_summary;

const Program &bareProgram()
{
    static const Program program{"welcome_bare",
                                 QStringLiteral(TESSALY_BENCH_BARE),
                                 {QStringLiteral(TESSALY_SOURCE_DIR "/bench/welcome_bare.qml")}};
    return program;
}

const Program &launcherProgram()
{
    static const Program program{"PixtrelOrvana", QStringLiteral(TESSALY_LAUNCHER_PATH), {}};
    return program;
}

void BM_WelcomeScreenFirstFrame(benchmark::State &state)
{
    QString error;
    // One untimed round: fonts, shader and file caches warm, the launcher's first-start work
    // (trust file, first-launch values) done, as on any later start.
    if (!measure(bareProgram(), &error) || !measure(launcherProgram(), &error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    std::vector<double> bareMs, launcherMs, bareMiB, launcherMiB;
    for (auto _ : state) {
        const std::optional<Sample> bare = measure(bareProgram(), &error);
        const std::optional<Sample> launcher =
            bare ? measure(launcherProgram(), &error) : std::nullopt;
        if (!bare || !launcher) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        state.SetIterationTime(launcher->firstFrameMs / 1000.0);
        bareMs.push_back(bare->firstFrameMs);
        launcherMs.push_back(launcher->firstFrameMs);
        bareMiB.push_back(bare->residentMiB);
        launcherMiB.push_back(launcher->residentMiB);
    }
    g_summary = {median(bareMs), median(launcherMs), median(bareMiB), median(launcherMiB), true};
    state.counters["bare_ms"] = g_summary.bareMs;
    state.counters["launcher_ms"] = g_summary.launcherMs;
    state.counters["time_ratio"] = g_summary.launcherMs / g_summary.bareMs;
    state.counters["bare_MiB"] = g_summary.bareMiB;
    state.counters["launcher_MiB"] = g_summary.launcherMiB;
    state.counters["memory_ratio"] = g_summary.launcherMiB / g_summary.bareMiB;
}

int rounds()
{
    const int value = qEnvironmentVariableIntValue("TESSALY_BENCH_ROUNDS");
    return value > 0 ? value : 7;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    g_setup = std::make_unique<BenchSetup>();
    QString error;
    if (!g_setup->start(&error)) {
        std::fprintf(stderr, "welcome_bench: %s\n", qPrintable(error));
        return 1;
    }
    benchmark::RegisterBenchmark("WelcomeScreenFirstFrame", BM_WelcomeScreenFirstFrame)
        ->Iterations(rounds())
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_setup.reset();

    if (!g_summary.valid)
        return 1;
    const double timeRatio = g_summary.launcherMs / g_summary.bareMs;
    const double memoryRatio = g_summary.launcherMiB / g_summary.bareMiB;
    std::printf("\nmedians of %d rounds, software rendering under Xvfb\n", rounds());
    std::printf("first frame: launcher %.1f ms, bare %.1f ms, ratio %.2f (target <= 1.3) %s\n",
                g_summary.launcherMs, g_summary.bareMs, timeRatio,
                timeRatio <= 1.3 ? "met" : "missed");
    std::printf("at rest:     launcher %.1f MiB, bare %.1f MiB, ratio %.2f (target <= 1.3) %s\n",
                g_summary.launcherMiB, g_summary.bareMiB, memoryRatio,
                memoryRatio <= 1.3 ? "met" : "missed");
    return 0;
}
