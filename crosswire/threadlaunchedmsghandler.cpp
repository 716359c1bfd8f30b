#include "crosswire/threadlaunchedmsghandler.h"

#include "crosswire/crosswirethread.h"
#include "crosswire/message.h"
#include "crosswire/specifier.h"

namespace KnObjects {

ThreadLaunchedMsgHandler::ThreadLaunchedMsgHandler(CrosswireThread &thread)
    : m_thread(thread)
{
}

int ThreadLaunchedMsgHandler::handle(int, Crosswire::Message &message, QByteArray &result)
{
    const Crosswire::Specifier sender(message.sender);
    m_thread.removeValue("LAUNCHPARAMS:" + sender.base().text());
    result = "LAUNCHED";
    return 0;
}

} // namespace KnObjects
