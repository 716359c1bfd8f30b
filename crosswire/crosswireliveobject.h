#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>
#include <memory>

namespace KnScript {
class Engine;
}

namespace KnObjects {

class CrosswireContext;
class HeaderObject;

namespace Crosswire {
class Message;
}

// What a script sees as an object of the class Crosswire: one message with its sender, target,
// timeout, type, body and headers, which the script sends with send(). Response functions are
// plain properties: defining `onResult` (or onReceived, onError, onTimeout, onLaunched, each
// optionally followed by a custom message type) before send() asks the receiver for that
// response, and the function is called with the response as a Crosswire object.
//
// Received messages reach scripts as Crosswire objects too (see ScriptaraHandler); their
// sendResult() answers them.
class CrosswireLiveObject : public Kernova::LiveObject,
                            public std::enable_shared_from_this<CrosswireLiveObject>
{
public:
    enum Id {
        kSender = 1,
        kTarget = 2,
        kTimeout = 3,
        kType = 4,
        kBody = 5,
        kHeaders = 6,
        kSend = 101,
        kSendResult = 102,
        kPump = 103
    };
    // Error codes of the script objects.
    static constexpr int kNoSuchMember = 22;
    static constexpr int kReadOnly = 23;
    static constexpr int kBadValue = 27;
    static constexpr int kNoContext = 32;
    static constexpr int kBadUrl = -28;
    // The response types a script can ask for, in the order they are requested.
    static const QByteArrayList &responseTypes();
    // Properties a script may add that are not members (a "tessaly-crosswire" address's query,
    // response functions), at most.
    static constexpr int kMaxDynamicProperties = 256;

    CrosswireLiveObject();
    // An object standing for `message` (a received message or a response).
    static std::shared_ptr<CrosswireLiveObject> fromMessage(const Crosswire::Message &message);
    // An empty, initialised object.
    static std::shared_ptr<CrosswireLiveObject> create();

    int initialize() override;
    int get(int id, Kernova::Variant &value) override;
    int put(int id, const Kernova::Variant &value) override;
    int call(int id, const Kernova::Array &arguments, Kernova::Variant &result) override;
    int getIDForName(const Kernova::String &name) override;
    int flagsForID(int id) override;

    // Sets a member or adds a property by name (0, or an error code).
    int putByName(const QString &name, const Kernova::Variant &value);
    // A property added by a script or an address; undefined when there is none.
    Kernova::Variant dynamicProperty(const QString &name) const;
    // The response function for `responseType` of a message of `messageType`: "on" + type +
    // custom message type first, then "on" + type. Undefined when neither is a function.
    Kernova::Variant responseFunction(KnScript::Engine *engine, const QByteArray &responseType,
                                      const QByteArray &messageType, QString *name = nullptr) const;

    const Crosswire::Message &message() const { return *m_message; }
    Crosswire::Message &message() { return *m_message; }

    // What send() does: builds the message, asks for the responses the object has functions
    // for, installs their handlers and hands the message over. False when it was not handed
    // over.
    bool send(CrosswireContext &context, KnScript::Engine *engine, const int64_t *timeout,
              const QByteArray &launchParams);
    // Answers this (received) message with a Result response carrying `text`; false when the
    // sender did not ask for one or it could not be sent.
    bool sendResult(CrosswireContext &context, const QByteArray &text);
    // Whether sendResult() answered this message already.
    bool resultSent() const { return m_resultSent; }

private:
    int setField(int id, const Kernova::Variant &value);

    std::shared_ptr<Crosswire::Message> m_message;
    std::shared_ptr<HeaderObject> m_headers;
    struct Dynamic
    {
        QString name;
        Kernova::Variant value;
    };
    QMap<int, Dynamic> m_dynamic;
    QMap<QString, int> m_dynamicIds;
    bool m_resultSent = false;
};

} // namespace KnObjects
