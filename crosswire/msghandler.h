#pragma once

#include <QByteArray>

#include <cstdint>

namespace KnObjects::Crosswire {

class Message;

// Handles received messages of one type, for all serial numbers or bound to one (a handler that
// waits for the responses to a message it sent). A handler bound to a serial number is removed
// once the exchange of that number is over.
class MsgHandler
{
public:
    MsgHandler() = default;
    virtual ~MsgHandler();
    MsgHandler(const MsgHandler &) = delete;
    MsgHandler &operator=(const MsgHandler &) = delete;

    // Called when the handler is installed on an endpoint; no default action.
    virtual void hook();
    // Handles `message` for `event` (1 a script or debug message, 2 Received, 3 Result, 4 Error,
    // 5 Timeout, 6 Log, 7 Idle, 0 any other type); fills `result`. Returns 0 on success, else an
    // error code sent back in the Error response.
    virtual int handle(int event, Message &message, QByteArray &result) = 0;
    // The message type this handler accepts.
    virtual QByteArray type() const;
    // The serial number this handler is bound to; -1 for every message.
    virtual int64_t serial() const;
};

} // namespace KnObjects::Crosswire
