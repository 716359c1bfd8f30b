#pragma once

#include "crosswire/msghandler.h"

namespace KnObjects {

class CrosswireContext;

// A monitoring forward ("FWDMESSAGES", "FWDLOGS" or "FWDERRORS"): copies of what it is given go
// to the monitoring target as "Debug" messages while that target runs.
class ThreadForwardMsgHandler : public Crosswire::MsgHandler
{
public:
    ThreadForwardMsgHandler(CrosswireContext &context, const QByteArray &name,
                            const QByteArray &target);
    int handle(int event, Crosswire::Message &message, QByteArray &result) override;

    QByteArray name() const { return m_name; }
    QByteArray target() const { return m_target; }

private:
    CrosswireContext &m_context;
    const QByteArray m_name;
    const QByteArray m_target;
};

} // namespace KnObjects
