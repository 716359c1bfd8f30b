#include "apps/peer/peerapplication.h"

#include "apps/peer/peerlog.h"
#include "apps/peer/peerscripthandler.h"
#include "apps/peer/peerscripthost.h"
#include "apps/peer/peerwindow.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/message.h"
#include "crosswire/specifier.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <csignal>

Q_DECLARE_LOGGING_CATEGORY(lcAppPeer)

namespace TessalyApps {

using KnObjects::CrosswireContext;

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

} // namespace

void PeerApplication::quitOnTerminationSignals()
{
    const auto request = [](int) {
        terminationRequested = 1;
    };
    std::signal(SIGTERM, request);
    std::signal(SIGINT, request);
    // A signal handler may only set the flag; the event loop looks at it.
    auto *watch = new QTimer(QCoreApplication::instance());
    watch->setInterval(kPumpIntervalMs);
    QObject::connect(watch, &QTimer::timeout, QCoreApplication::instance(), [] {
        if (terminationRequested)
            QCoreApplication::quit();
    });
    watch->start();
}

PeerApplication::PeerApplication(PeerProfile profile, PeerOptions options, QObject *parent)
    : QObject(parent)
    , m_profile(std::move(profile))
    , m_options(std::move(options))
    , m_host(new PeerScriptHost(this))
{
    m_pumpTimer.setInterval(kPumpIntervalMs);
    connect(&m_pumpTimer, &QTimer::timeout, this, [this] { m_context->pump(); });
}

PeerApplication::~PeerApplication()
{
    m_pumpTimer.stop();
    if (m_context)
        m_context->terminate();
}

bool PeerApplication::start()
{
    // The messaging set-up reads "-specifier" and "-instance" from the command line the
    // connector built, and keeps the whole line as "LAUNCHPARAMS".
    m_context = std::make_unique<CrosswireContext>(CrosswireContext::Identity{
        KnObjects::CrosswireIdentity::userId(), KnObjects::CrosswireIdentity::digestKey()});
    if (!m_context->initFromCommandLine(m_profile.specifier, m_options.arguments)) {
        qCWarning(lcAppPeer) << "cannot open the messaging endpoint for" << m_options.arguments
                             << ":" << m_context->status();
        return false;
    }
    // Scripts that arrive while starting wait in the received queue: nothing pumps before the
    // start-up is over, and the status says so to anyone who asks.
    m_context->thread()->setValue("STATUS", "BUSY");

    m_window = std::make_unique<PeerWindow>(m_profile.windowTitle,
                                            QString::fromUtf8(m_context->ownSpecifier()));
    connect(
        m_host, &PeerScriptHost::requested, m_window.get(),
        [this](const QString &, const QString &description) { m_window->addRequest(description); });
    m_context->addHandler(std::make_shared<PeerScriptHandler>(*m_host, PeerLog::fromEnvironment()));
    if (!m_options.parameters.isEmpty())
        m_window->addRequest(
            tr("Started with: %1").arg(m_options.parameters.join(QLatin1Char(' '))));

    m_steps = {QStringLiteral("messaging"), QStringLiteral("scripts"), QStringLiteral("window")};
    m_step = 0;
    m_window->setStartupStatus(tr("Starting…"));
    m_window->show();
    QTimer::singleShot(0, this, &PeerApplication::runStep);
    return true;
}

void PeerApplication::runStep()
{
    if (m_step >= m_steps.size()) {
        finishStartup();
        return;
    }
    const QString step = m_steps[m_step++];
    m_window->setStartupStatus(tr("Starting: %1").arg(step));
    notifyLauncher(m_profile.statusPrefix + ':' + step.toUtf8());
    // A slow start spreads the delay over the steps, so the launcher sees each of them.
    const int delay = m_options.startupDelayMs / int(m_steps.size());
    QTimer::singleShot(delay, this, &PeerApplication::runStep);
}

void PeerApplication::finishStartup()
{
    m_ready = true;
    m_context->thread()->setValue("STATUS", "IDLE");
    m_window->setStartupStatus(tr("Ready"));
    if (!m_options.neverConfirm)
        notifyLauncher("launched_" + m_profile.statusPrefix + ":ok");
    m_pumpTimer.start();
    m_context->pump();
}

void PeerApplication::notifyLauncher(const QByteArray &status)
{
    KnObjects::Crosswire::Message message;
    message.target = kLauncherSpecifier;
    message.sender = m_context->ownSpecifier();
    // The status texts are our own words without quotes or backslashes, so they go in as they are.
    message.body = "notification('" + status + "');";
    message.serialNumber = m_context->nextSerialNumber();
    // A launcher that is not running simply misses the news; the start-up goes on.
    if (m_context->send(message))
        m_context->sendQueued(*m_context->mainEndpoint());
}

} // namespace TessalyApps
