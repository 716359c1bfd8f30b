#pragma once

#include "crosswire/msghandler.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <memory>

namespace KnScript {
class Engine;
}

namespace KnObjects {

class CrosswireContext;
class CrosswireEndpoint;
class CrosswireLiveObject;

// Waits for the responses to one message a script sent: bound to the message's serial number,
// it calls the sending object's response function ("onResult", "onError", ... optionally with
// the custom message type behind it) with the response as a new Crosswire object. The endpoint
// removes it when the exchange ends (Processed, Error or Timeout); one whose responses never
// come is dropped once they cannot come any more.
//
// A message a script sends to its own endpoint carries the same serial number as its
// responses, so the endpoint finds this handler for the message itself too: that one is passed
// on to the handler the endpoint would have chosen without it.
class GenericMsgHandler : public Crosswire::MsgHandler
{
public:
    // Seconds after the message's own waiting time (its timeout, or the queue's 600) before a
    // handler still waiting is dropped.
    static constexpr int64_t kGraceSeconds = 120;

    // `messageType` is the type of the message sent: a response to a custom type can look for
    // "on" + response type + that type even when the response does not repeat it.
    // `endpoint` is the endpoint the handler is installed on (it owns the handler).
    GenericMsgHandler(CrosswireEndpoint &endpoint, KnScript::Engine *engine,
                      std::shared_ptr<CrosswireLiveObject> sender, QByteArray handlerType,
                      uint32_t serial, QByteArray messageType = {});

    int handle(int event, Crosswire::Message &message, QByteArray &result) override;
    QByteArray type() const override { return m_type; }
    int64_t serial() const override { return m_serial; }

    // The handler type under which an endpoint looks a response of `responseType` up:
    // "Received", "Result" and "Error" come as script responses, the others by their type.
    static QByteArray handlerTypeFor(const QByteArray &responseType);
    // The response type of `message` and the custom message type behind it ("ResultFoo" is a
    // "Result" to a message of type "Foo"); empty when it is no response.
    static QByteArray responseTypeOf(const Crosswire::Message &message, int event,
                                     QByteArray *customType = nullptr);

    // Installs on `endpoint` the handlers `message` needs for `responseTypes`, first dropping
    // the handlers of this process whose responses can no longer come. False when the endpoint
    // has no room.
    static bool install(CrosswireContext &context, CrosswireEndpoint &endpoint,
                        KnScript::Engine *engine, std::shared_ptr<CrosswireLiveObject> sender,
                        const Crosswire::Message &message, const QByteArrayList &responseTypes);
    // Drops the handlers whose waiting time is over (also done by install()).
    static int dropExpired(CrosswireContext &context);

private:
    CrosswireEndpoint &m_endpoint;
    KnScript::Engine *const m_engine;
    const std::shared_ptr<CrosswireLiveObject> m_sender;
    const QByteArray m_type;
    const uint32_t m_serial;
    const QByteArray m_messageType;
};

} // namespace KnObjects
