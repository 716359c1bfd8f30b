#pragma once

#include "crosswire/msghandler.h"

namespace KnObjects {

class CrosswireThread;

// Every message that arrives at the thread endpoint goes here; it answers those of type "ping":
// "ECHO_REQUEST" asks for a thread value or handler ("NAME") or sets one ("NAME=value"),
// "ECHO_RESPONSE" hands a reply to the thread handler it names.
class ThreadMainMsgHandler : public Crosswire::MsgHandler
{
public:
    explicit ThreadMainMsgHandler(CrosswireThread &thread);
    int handle(int event, Crosswire::Message &message, QByteArray &result) override;
    QByteArray type() const override;

private:
    CrosswireThread &m_thread;
};

} // namespace KnObjects
