#include "crosswire/threaddiagnosticsmsghandler.h"

#include "crosswire/crosswirecontext.h"
#include "crosswire/message.h"

namespace KnObjects {

ThreadDiagnosticsMsgHandler::ThreadDiagnosticsMsgHandler(CrosswireContext &context)
    : m_context(context)
{
}

QByteArray ThreadDiagnosticsMsgHandler::text(const Crosswire::Message &) const
{
    return m_context.diagnostics();
}

int ThreadDiagnosticsMsgHandler::handle(int, Crosswire::Message &message, QByteArray &result)
{
    QByteArray body = text(message);
    if (body.size() > kMaxText) {
        body.truncate(kMaxText);
        body += "\n...(truncated)\n";
    }
    message.body = body;
    result = "SEE BODY";
    return 0;
}

} // namespace KnObjects
