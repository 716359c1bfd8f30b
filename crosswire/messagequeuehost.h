#pragma once

#include <QByteArray>

#include <cstdint>

namespace KnObjects {
namespace Crosswire {
class Message;
}

namespace CrosswireData {

// What a message queue needs from the messaging system around it: sending the responses its
// expiry rules call for, and mirroring queue events to a monitoring target.
class MessageQueueHost
{
public:
    virtual ~MessageQueueHost() = default;
    // Sends a response of `responseType` to `message` when the message asks for it.
    virtual void respond(const Crosswire::Message &message, const QByteArray &responseType,
                         const QByteArray &body, int64_t errorCode) = 0;
    // Mirrors a queue event ("added", "picked", "requeued", "timed out") to `forwardTarget`.
    virtual void forwardQueueEvent(const QByteArray &forwardTarget, const QByteArray &event,
                                   const Crosswire::Message &message) = 0;
};

} // namespace CrosswireData
} // namespace KnObjects
