#pragma once

#include "apps/peer/peerlog.h"
#include "crosswire/msghandler.h"

#include <functional>

namespace TessalyApps {

class PeerScriptHost;

// Handles the script messages of the stand-in's endpoint: records each script in the peer log,
// evaluates it and answers with its value, or with an error when the script fails.
class PeerScriptHandler : public KnObjects::Crosswire::MsgHandler
{
public:
    // The error code of an Error response to a script that threw.
    static constexpr int kScriptError = 1;

    PeerScriptHandler(PeerScriptHost &host, PeerLog log,
                      std::function<void(const QByteArray &)> onScript = {});

    int handle(int event, KnObjects::Crosswire::Message &message, QByteArray &result) override;

private:
    PeerScriptHost &m_host;
    PeerLog m_log;
    std::function<void(const QByteArray &)> m_onScript;
};

} // namespace TessalyApps
