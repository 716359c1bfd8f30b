#include "source/deferredscripthandler.h"

#include "crosswire/message.h"
#include "crosswire/scriptarahandler.h"

#include <utility>

DeferredScriptHandler::DeferredScriptHandler(Factory factory)
    : m_factory(std::move(factory))
{
}

int DeferredScriptHandler::handle(int event, KnObjects::Crosswire::Message &message,
                                  QByteArray &result)
{
    if (!KnObjects::ScriptaraHandler::isScript(event, message))
        return 0;
    // Made once: a factory that gave nothing is not asked again for every script.
    if (m_factory)
        m_handler = std::exchange(m_factory, {})();
    if (!m_handler) {
        result = "ERROR: NO SCRIPT ENGINE";
        return KnObjects::ScriptaraHandler::kNoEngine;
    }
    return m_handler->handle(event, message, result);
}
