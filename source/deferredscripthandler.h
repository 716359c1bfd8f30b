#pragma once

#include "crosswire/msghandler.h"

#include <functional>
#include <memory>

// The launcher's script handler, made when the first script arrives instead of at start-up:
// the script engine behind it costs start-up time that nothing before the first script needs.
// Messages that are no scripts (responses nobody waits for any more) are passed over as the
// script handler itself would, without making it.
class DeferredScriptHandler : public KnObjects::Crosswire::MsgHandler
{
public:
    using Factory = std::function<std::shared_ptr<KnObjects::Crosswire::MsgHandler>()>;

    explicit DeferredScriptHandler(Factory factory);

    int handle(int event, KnObjects::Crosswire::Message &message, QByteArray &result) override;

    // Whether the script handler has been made (whether or not the factory gave one).
    bool isMade() const { return !m_factory; }

private:
    Factory m_factory;
    std::shared_ptr<KnObjects::Crosswire::MsgHandler> m_handler;
};
