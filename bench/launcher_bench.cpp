// From the launcher's start, with "QuickLaunchApp" = 1 and the Organizer not running, to the
// Organizer stand-in evaluating the start-up script; beside it, in the same run, the stand-in's
// own start-up alone (started directly, until it reports itself ready).
//
//   standin alone          start of the stand-in until its "launched_organizer:ok" arrives
//   launcher to script     start of the launcher until the stand-in's peer log holds the script
//
// In the second run the stand-in's readiness is watched too (its messaging status turning
// "IDLE"), so the time between the stand-in being ready and the script being evaluated is
// reported as well: that is the launcher's share once the stand-in can take the script.
//
// Each iteration runs in fresh temporary folders (machine root, configuration, data, runtime)
// with both stand-ins registered. The launcher needs a display: run under scripts/with-xvfb.sh,
// else the programs use Qt's offscreen platform.

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "platform/registry/ptsettings.h"
#include "tests/support/testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using KnObjects::CrosswireContext;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kTimeout = std::chrono::seconds(30);

struct Figures
{
    std::vector<double> standInMs;
    std::vector<double> launcherMs;
    std::vector<double> afterReadyMs;
} figures;

double msSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One iteration's world: temporary folders, the stand-ins registered, a peer log.
class Setup
{
public:
    Setup()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            m_env.set("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
        m_env.set("TESSALY_PEER_LOG", peerLog());
        // The launcher's first-launch service commands must not reach the user's service manager.
        m_env.set("TESSALY_SERVICE_CONTROL", QStringLiteral("/bin/true"));
        KnObjects::CrosswireIdentity::clearCache();
        registerApp("pxoorganizer-11.0", QStringLiteral(TESSALY_ORGANIZER_PATH));
        registerApp("pxoeditor-11.0", QStringLiteral(TESSALY_EDITOR_PATH));
        PtSettingsCU settings(
            QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen"));
        settings.setValue(QStringLiteral("QuickLaunchApp"), 1);
        settings.sync();
    }

    ~Setup()
    {
        // The stand-in was started detached by the launcher: find it by its peer log.
        const QByteArray mark = "TESSALY_PEER_LOG=" + QFile::encodeName(peerLog());
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (!isPid)
                continue;
            QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
            if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(mark))
                ::kill(pid, SIGTERM);
        }
        for (auto &process : m_processes) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString peerLog() const { return m_env.root() + QStringLiteral("/peer.log"); }
    bool peerLogHasScript() const { return QFileInfo(peerLog()).size() > 0; }

    QProcess &start(const QString &program)
    {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess &process = *m_processes.back();
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, {});
        return process;
    }

private:
    void registerApp(const char *specifier, const QString &path)
    {
        QProcess tool;
        tool.start(
            QStringLiteral(TESSALY_CAPS_TOOL_PATH),
            {QStringLiteral("register"), QLatin1String(specifier), QStringLiteral("--path"), path});
        tool.waitForFinished(30000);
    }

    TestEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// Receives the stand-in's notifications in place of the launcher, stamping each on arrival.
class LauncherStandIn
{
public:
    LauncherStandIn()
        : m_context(CrosswireContext::Identity{KnObjects::CrosswireIdentity::userId(),
                                               KnObjects::CrosswireIdentity::digestKey()})
    {
        m_ok = m_context.init("pxolauncher-11.0");
        if (m_ok)
            m_context.mainEndpoint()->setArrivalObserver(
                [this](const KnObjects::Crosswire::Message &message) {
                    int64_t none = 0;
                    if (message.body.contains("launched_organizer:ok"))
                        m_readyAt.compare_exchange_strong(none,
                                                          Clock::now().time_since_epoch().count());
                });
    }
    bool ok() const { return m_ok; }
    // Set on the messaging thread, read here.
    std::optional<Clock::time_point> readyAt() const
    {
        const int64_t ticks = m_readyAt.load();
        if (ticks == 0)
            return std::nullopt;
        return Clock::time_point(Clock::duration(ticks));
    }

private:
    CrosswireContext m_context;
    bool m_ok = false;
    std::atomic<int64_t> m_readyAt{0};
};

void BM_StandInStartupAlone(benchmark::State &state)
{
    for (auto _ : state) {
        Setup setup;
        LauncherStandIn launcher;
        if (!launcher.ok()) {
            state.SkipWithError("cannot open the launcher's endpoint");
            return;
        }
        const auto start = Clock::now();
        setup.start(QStringLiteral(TESSALY_ORGANIZER_PATH));
        while (!launcher.readyAt() && Clock::now() - start < kTimeout)
            QThread::usleep(200);
        if (!launcher.readyAt()) {
            state.SkipWithError("the stand-in never reported itself ready");
            return;
        }
        const double ms = msSince(start, *launcher.readyAt());
        figures.standInMs.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
}

void BM_LauncherToOrganizerScript(benchmark::State &state)
{
    for (auto _ : state) {
        Setup setup;
        CrosswireContext watcher(CrosswireContext::Identity{
            KnObjects::CrosswireIdentity::userId(), KnObjects::CrosswireIdentity::digestKey()});
        watcher.init("launcherbench-1.0", false);
        const auto start = Clock::now();
        setup.start(QStringLiteral(TESSALY_LAUNCHER_PATH));
        std::optional<Clock::time_point> readyAt;
        std::optional<Clock::time_point> evaluatedAt;
        while (!evaluatedAt && Clock::now() - start < kTimeout) {
            if (!readyAt && watcher.ping("pxoorganizer-11.0", "STATUS", 50) == "IDLE")
                readyAt = Clock::now();
            if (setup.peerLogHasScript())
                evaluatedAt = Clock::now();
            else
                QThread::usleep(200);
        }
        if (!evaluatedAt) {
            state.SkipWithError("the Organizer stand-in never received the script");
            return;
        }
        const double ms = msSince(start, *evaluatedAt);
        figures.launcherMs.push_back(ms);
        // The log is written while the script runs, right after the status turned "IDLE": seen
        // in the same round, readiness and evaluation count as one moment.
        figures.afterReadyMs.push_back(readyAt ? msSince(*readyAt, *evaluatedAt) : 0.0);
        state.SetIterationTime(ms / 1000.0);
    }
}

BENCHMARK(BM_StandInStartupAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LauncherToOrganizerScript)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double standIn = median(figures.standInMs);
    const double launcher = median(figures.launcherMs);
    std::printf("\nmedians in this run:\n");
    std::printf("  stand-in start-up alone:                 %.1f ms\n", standIn);
    std::printf("  launcher start -> stand-in runs script:  %.1f ms = %.2f x the stand-in alone "
                "(difference %.1f ms)\n",
                launcher, standIn > 0 ? launcher / standIn : 0.0, launcher - standIn);
    std::printf("  stand-in ready -> script evaluated:      %.1f ms (worst %.1f ms)\n",
                median(figures.afterReadyMs),
                figures.afterReadyMs.empty()
                    ? 0.0
                    : *std::max_element(figures.afterReadyMs.begin(), figures.afterReadyMs.end()));
    return 0;
}
