#include "crosswire/genericmsghandler.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireliveobject.h"
#include "crosswire/message.h"
#include "crosswire/scriptvalues.h"

#include <QLoggingCategory>

#include <algorithm>
#include <mutex>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

using Crosswire::Message;
using Kernova::Variant;

namespace {

constexpr int kNoEngine = 32;

struct Waiting
{
    QByteArray endpoint;
    uint32_t serial;
    int64_t deadline;
};

std::mutex waitingMutex;
std::vector<Waiting> &waiting()
{
    static std::vector<Waiting> list;
    return list;
}

} // namespace

GenericMsgHandler::GenericMsgHandler(CrosswireEndpoint &endpoint, KnScript::Engine *engine,
                                     std::shared_ptr<CrosswireLiveObject> sender,
                                     QByteArray handlerType, uint32_t serial,
                                     QByteArray messageType)
    : m_endpoint(endpoint)
    , m_engine(engine)
    , m_sender(std::move(sender))
    , m_type(std::move(handlerType))
    , m_serial(serial)
    , m_messageType(std::move(messageType))
{
}

QByteArray GenericMsgHandler::handlerTypeFor(const QByteArray &responseType)
{
    if (responseType == "Received" || responseType == "Result" || responseType == "Error")
        return "Scriptara";
    return responseType;
}

QByteArray GenericMsgHandler::responseTypeOf(const Message &message, int event,
                                             QByteArray *customType)
{
    const QByteArray type = message.type;
    for (const QByteArray &responseType : CrosswireLiveObject::responseTypes()) {
        if (type.startsWith(responseType)) {
            if (customType)
                *customType = type.mid(responseType.size());
            return responseType;
        }
    }
    // A peer of the oldest form answers with the message's own type and a reply reference.
    static const char *const legacy[] = {nullptr, nullptr, "Received", "Result", "Error"};
    if (event >= 2 && event <= 4) {
        if (customType)
            *customType = Message::isBuiltInType(type) ? QByteArray() : type;
        return legacy[event];
    }
    return {};
}

int GenericMsgHandler::handle(int event, Message &message, QByteArray &result)
{
    QByteArray customType;
    const QByteArray responseType = responseTypeOf(message, event, &customType);
    if (responseType.isEmpty()) {
        // The message itself, sent to this endpoint.
        const std::shared_ptr<MsgHandler> handler = m_endpoint.findHandler(message.type, -1);
        return handler && handler.get() != this ? handler->handle(event, message, result) : 0;
    }
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    if (!engine || engine != m_engine) {
        result = "ERROR: NO SCRIPT ENGINE";
        return kNoEngine;
    }
    if (customType.isEmpty())
        customType = m_messageType;
    QString name;
    const Variant function = m_sender->responseFunction(engine, responseType, customType, &name);
    if (function.isUndefined())
        return 0;
    Variant value;
    QString errorText;
    int errorCode = 0;
    const Kernova::Array arguments{
        Variant(std::shared_ptr<Kernova::LiveObject>(CrosswireLiveObject::fromMessage(message)))};
    if (!ScriptValues::call(*engine, function,
                            Variant(std::shared_ptr<Kernova::LiveObject>(m_sender)), arguments,
                            value, &errorText, &errorCode)) {
        qCWarning(lcCrosswire).noquote() << name << "failed:" << errorText;
        result = errorText.toUtf8();
        return errorCode;
    }
    return 0;
}

bool GenericMsgHandler::install(CrosswireContext &context, CrosswireEndpoint &endpoint,
                                KnScript::Engine *engine,
                                std::shared_ptr<CrosswireLiveObject> sender, const Message &message,
                                const QByteArrayList &responseTypes)
{
    dropExpired(context);
    QByteArrayList handlerTypes;
    for (const QByteArray &responseType : responseTypes) {
        const QByteArray handlerType = handlerTypeFor(responseType);
        if (!handlerTypes.contains(handlerType))
            handlerTypes.append(handlerType);
    }
    for (const QByteArray &handlerType : handlerTypes) {
        if (!endpoint.addHandler(std::make_shared<GenericMsgHandler>(
                endpoint, engine, sender, handlerType, message.serialNumber, message.type))) {
            endpoint.removeHandlers(message.serialNumber);
            return false;
        }
    }
    const int64_t waitSeconds =
        message.timeout > 0 ? message.timeout + 1 : Message::kDefaultQueueTimeout;
    std::lock_guard guard(waitingMutex);
    waiting().push_back({endpoint.specifier(), message.serialNumber,
                         Clock::nowSeconds() + waitSeconds + kGraceSeconds});
    return true;
}

int GenericMsgHandler::dropExpired(CrosswireContext &context)
{
    std::vector<Waiting> snapshot;
    {
        std::lock_guard guard(waitingMutex);
        snapshot = waiting();
    }
    // Entries go once their exchange ended (the endpoint removed the handlers) or their time
    // is over, so the list only holds exchanges still open.
    const int64_t now = Clock::nowSeconds();
    std::vector<Waiting> finished;
    int dropped = 0;
    for (const Waiting &entry : snapshot) {
        CrosswireEndpoint *endpoint = context.endpoint(entry.endpoint);
        if (!endpoint || !endpoint->hasHandlerFor(entry.serial)) {
            finished.push_back(entry);
        } else if (entry.deadline <= now) {
            endpoint->removeHandlers(entry.serial);
            finished.push_back(entry);
            ++dropped;
        }
    }
    if (!finished.empty()) {
        std::lock_guard guard(waitingMutex);
        std::erase_if(waiting(), [&finished](const Waiting &entry) {
            return std::any_of(finished.begin(), finished.end(), [&entry](const Waiting &done) {
                return done.endpoint == entry.endpoint && done.serial == entry.serial;
            });
        });
    }
    return dropped;
}

} // namespace KnObjects
