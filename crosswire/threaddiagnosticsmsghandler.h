#pragma once

#include "crosswire/msghandler.h"

namespace KnObjects {

class CrosswireContext;

// "DIAGNOSTICS": the answer's body is the diagnostics tree of this process.
class ThreadDiagnosticsMsgHandler : public Crosswire::MsgHandler
{
public:
    // Diagnostics longer than this are cut, so the answer still fits one message.
    static constexpr qsizetype kMaxText = 512 * 1024;

    explicit ThreadDiagnosticsMsgHandler(CrosswireContext &context);
    int handle(int event, Crosswire::Message &message, QByteArray &result) override;

protected:
    virtual QByteArray text(const Crosswire::Message &request) const;
    CrosswireContext &m_context;
};

} // namespace KnObjects
