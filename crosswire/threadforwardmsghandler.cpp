#include "crosswire/threadforwardmsghandler.h"

#include "crosswire/crosswirecontext.h"
#include "crosswire/message.h"

namespace KnObjects {

ThreadForwardMsgHandler::ThreadForwardMsgHandler(CrosswireContext &context, const QByteArray &name,
                                                 const QByteArray &target)
    : m_context(context)
    , m_name(name)
    , m_target(target)
{
}

int ThreadForwardMsgHandler::handle(int, Crosswire::Message &message, QByteArray &result)
{
    result.clear();
    if (m_target.isEmpty() || !m_context.isRunning(m_target))
        return 0;
    Crosswire::Message copy(message);
    copy.type = "Debug";
    copy.target = m_target;
    copy.sender = m_context.ownSpecifier();
    copy.serialNumber = 0;
    copy.responseRequest.clear();
    copy.setHeader("FORWARDED", m_name);
    m_context.send(copy, false, false, {});
    return 0;
}

} // namespace KnObjects
