#include "apps/peer/peerscripthandler.h"

#include "apps/peer/peerscripthost.h"
#include "crosswire/message.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAppPeer, "tessaly.apps.peer", QtWarningMsg)

namespace TessalyApps {

PeerScriptHandler::PeerScriptHandler(PeerScriptHost &host, PeerLog log,
                                     std::function<void(const QByteArray &)> onScript)
    : m_host(host)
    , m_log(std::move(log))
    , m_onScript(std::move(onScript))
{
}

int PeerScriptHandler::handle(int event, KnObjects::Crosswire::Message &message, QByteArray &result)
{
    // Only scripts are evaluated; anything else of this type is acknowledged and ignored.
    if (event != 1)
        return 0;
    if (m_log.isEnabled() && !m_log.append(message.body))
        qCWarning(lcAppPeer) << "cannot append to the peer log" << m_log.path();
    if (m_onScript)
        m_onScript(message.body);
    const PeerScriptHost::Outcome outcome = m_host.evaluate(QString::fromUtf8(message.body));
    result = outcome.result.toUtf8();
    if (!outcome.ok) {
        qCWarning(lcAppPeer) << "script from" << message.sender << "failed:" << outcome.result;
        return kScriptError;
    }
    return 0;
}

} // namespace TessalyApps
