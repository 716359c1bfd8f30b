#include "crosswire/threadmainmsghandler.h"

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/message.h"
#include "crosswire/threadforwardmsghandler.h"

namespace KnObjects {

ThreadMainMsgHandler::ThreadMainMsgHandler(CrosswireThread &thread)
    : m_thread(thread)
{
}

QByteArray ThreadMainMsgHandler::type() const
{
    return "ping";
}

int ThreadMainMsgHandler::handle(int, Crosswire::Message &message, QByteArray &result)
{
    result.clear();
    if (message.type != "ping")
        return 0;
    if (message.hasHeader("ECHO_RESPONSE")) {
        if (auto handler = m_thread.handler(message.header("ECHO_RESPONSE"))) {
            QByteArray ignored;
            handler->handle(3, message, ignored);
        }
        return 0;
    }
    if (!message.hasHeader("ECHO_REQUEST"))
        return 0; // a probe: it only had to arrive
    const QByteArray request = message.header("ECHO_REQUEST");
    const qsizetype equals = request.indexOf('=');
    if (equals >= 0) {
        const QByteArray name = request.left(equals);
        const QByteArray value = request.mid(equals + 1);
        CrosswireContext &context = m_thread.context();
        if (name == "FWDMESSAGES" || name == "FWDLOGS" || name == "FWDERRORS") {
            m_thread.setHandler(name, value.isEmpty() ? nullptr
                                                      : std::make_shared<ThreadForwardMsgHandler>(
                                                            context, name, value));
            if (name == "FWDMESSAGES")
                context.setMessageForwardTarget(value);
            else if (name == "FWDLOGS")
                context.setLogForwardTarget(value);
            else
                context.setErrorForwardTarget(value);
        }
        if (value.isEmpty())
            m_thread.removeValue(name);
        else
            m_thread.setValue(name, value);
        result = value;
        return 0;
    }
    if (request != "MAIN") {
        if (auto handler = m_thread.handler(request))
            return handler->handle(1, message, result);
    }
    result = m_thread.hasValue(request) ? m_thread.value(request) : QByteArray("UNDEFINED");
    return 0;
}

} // namespace KnObjects
