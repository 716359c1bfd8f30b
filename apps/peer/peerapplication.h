#pragma once

#include "apps/peer/peeroptions.h"
#include "apps/peer/peerprofile.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace KnObjects {
class CrosswireContext;
}

namespace TessalyApps {

class PeerScriptHost;
class PeerWindow;

// One running stand-in: opens its messaging endpoint, goes through its start-up steps (telling
// the launcher "<prefix>:<step>" for each, then "launched_<prefix>:ok"), and from then on pumps
// its messages every 100 ms, evaluating the scripts it receives. Its messaging status reads
// "BUSY" while it starts and "IDLE" once it is ready.
class PeerApplication : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPumpIntervalMs = 100;
    static constexpr const char *kLauncherSpecifier = "pxolauncher-11.0";

    PeerApplication(PeerProfile profile, PeerOptions options, QObject *parent = nullptr);
    ~PeerApplication() override;

    // Opens the endpoint and starts the start-up steps; false when no endpoint could be opened.
    bool start();
    bool isReady() const { return m_ready; }
    // Makes SIGTERM and SIGINT end the event loop, so the endpoint is closed on the way out
    // instead of being left behind for others to probe.
    static void quitOnTerminationSignals();

private:
    void runStep();
    void finishStartup();
    void notifyLauncher(const QByteArray &status);

    const PeerProfile m_profile;
    const PeerOptions m_options;
    std::unique_ptr<KnObjects::CrosswireContext> m_context;
    PeerScriptHost *m_host = nullptr;
    std::unique_ptr<PeerWindow> m_window;
    QTimer m_pumpTimer;
    QStringList m_steps;
    int m_step = 0;
    bool m_ready = false;
};

} // namespace TessalyApps
