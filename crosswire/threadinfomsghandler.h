#pragma once

#include "crosswire/threaddiagnosticsmsghandler.h"

namespace KnObjects {

// "INFO": the sections of the diagnostics tree named in the request's body, a comma list of
// "context", "thread", "messages", "connector" and "log".
class ThreadInfoMsgHandler : public ThreadDiagnosticsMsgHandler
{
public:
    using ThreadDiagnosticsMsgHandler::ThreadDiagnosticsMsgHandler;

protected:
    QByteArray text(const Crosswire::Message &request) const override;
};

} // namespace KnObjects
