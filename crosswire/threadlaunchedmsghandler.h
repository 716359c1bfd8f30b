#pragma once

#include "crosswire/msghandler.h"

namespace KnObjects {

class CrosswireThread;

// "LAUNCHED": an application this process launched reports that it runs; its stored launch
// parameters are no longer needed.
class ThreadLaunchedMsgHandler : public Crosswire::MsgHandler
{
public:
    explicit ThreadLaunchedMsgHandler(CrosswireThread &thread);
    int handle(int event, Crosswire::Message &message, QByteArray &result) override;

private:
    CrosswireThread &m_thread;
};

} // namespace KnObjects
