#include "crosswire/crosswireendpoint.h"

#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/interappstream.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "crosswire/msghandler.h"
#include "crosswire/objectlock.h"

namespace KnObjects {

using Crosswire::Message;
using Crosswire::MsgHandler;
using CrosswireData::MessageGlobals;

CrosswireEndpoint::CrosswireEndpoint(CrosswireContext &context,
                                     std::unique_ptr<InterAppStream> stream,
                                     const QByteArray &specifier, bool isMain)
    : m_context(context)
    , m_stream(std::move(stream))
    , m_specifier(specifier)
    , m_isMain(isMain)
    , m_received(&context)
    , m_outgoing(&context)
{
}

CrosswireEndpoint::~CrosswireEndpoint() = default;

bool CrosswireEndpoint::addHandler(std::shared_ptr<MsgHandler> handler)
{
    if (!handler)
        return false;
    {
        ObjectLock lock(*this);
        if (m_handlers.size() >= size_t(kMaxHandlers))
            return false;
        m_handlers.push_back(handler);
    }
    handler->hook();
    return true;
}

void CrosswireEndpoint::removeHandlers(uint32_t serial)
{
    ObjectLock lock(*this);
    std::erase_if(m_handlers, [serial](const std::shared_ptr<MsgHandler> &handler) {
        return handler->serial() == int64_t(serial);
    });
}

std::shared_ptr<MsgHandler> CrosswireEndpoint::findHandler(const QByteArray &type,
                                                           int64_t serial) const
{
    ObjectLock lock(*this);
    for (const auto &handler : m_handlers) {
        if (handler->type() == type && handler->serial() == serial)
            return handler;
    }
    // A handler for the type and every serial, then the script handler.
    for (const auto &handler : m_handlers) {
        if (handler->type() == type && handler->serial() == -1)
            return handler;
    }
    for (const auto &handler : m_handlers) {
        if (handler->type() == "Scriptara" && handler->serial() == -1)
            return handler;
    }
    return nullptr;
}

bool CrosswireEndpoint::hasHandlerFor(uint32_t serial) const
{
    ObjectLock lock(*this);
    for (const auto &handler : m_handlers) {
        if (handler->serial() == int64_t(serial))
            return true;
    }
    return false;
}

size_t CrosswireEndpoint::pendingResponses() const
{
    ObjectLock lock(*this);
    return size_t(std::count_if(m_handlers.begin(), m_handlers.end(),
                                [](const auto &handler) { return handler->serial() != -1; }));
}

void CrosswireEndpoint::setLaunching(const QByteArray &target, bool launching)
{
    ObjectLock lock(*this);
    if (launching)
        m_launching.append(target);
    else
        m_launching.removeOne(target);
}

bool CrosswireEndpoint::isLaunching(const QByteArray &target) const
{
    ObjectLock lock(*this);
    return m_launching.contains(target);
}

bool CrosswireEndpoint::isBackedUp() const
{
    return m_received.size() >= m_received.maxLength();
}

int CrosswireEndpoint::drainTransport()
{
    if (!m_stream || !m_stream->isOpen())
        return 0;
    // One drainer at a time keeps the received queue in arrival order. A second one does not
    // wait: whatever it came for is read and announced by the one at work.
    if (m_draining.exchange(true))
        return 0;
    struct DrainEnd
    {
        std::atomic<bool> &flag;
        ~DrainEnd() { flag.store(false); }
    } drainEnd{m_draining};

    MessageGlobals &globals = MessageGlobals::instance();
    const bool verify = globals.verifyDigests();
    const QByteArray key = m_context.identity().digestKey;
    int added = 0;
    while (!isBackedUp()) {
        QByteArrayList datagrams;
        std::function<void(const Message &)> observer;
        {
            // Only the stream is touched under the endpoint's lock: the "Received" answers below
            // are sends, and a send may run the connector's hooks, which must never be called
            // with this lock held.
            ObjectLock lock(*this);
            if (m_stream->isEmpty() && !m_stream->receive())
                break;
            datagrams = m_stream->takeReceivedMessages();
            observer = m_arrivalObserver;
        }
        for (const QByteArray &datagram : datagrams) {
            size_t offset = 0;
            const size_t size = size_t(datagram.size());
            while (offset < size) {
                auto message =
                    m_nextMessage ? std::move(m_nextMessage) : std::make_unique<Message>();
                offset += message->parse(datagram.constData() + offset, size - offset, verify, key);
                if (message->type == "Ignore")
                    continue;
                // An empty script is what a probe sends to see whether the endpoint runs.
                if (message->type == "Scriptara" && message->body.isEmpty() &&
                    !message->hasReplyReference())
                    continue;
                if (message->target.isEmpty())
                    continue;
                // The confirmation goes before the message can be handled, so that a sender
                // always hears "Received" before any answer of the handler.
                m_context.respond(*message, QByteArrayLiteral("Received"), QByteArray(), 0);
                // The log entry is taken now and recorded after the message is queued: once
                // queued, it may be picked and gone at once.
                CrosswireContext::LogEntry entry =
                    CrosswireContext::logEntry(QByteArrayLiteral("RECEIVE"), message.get());
                if (m_received.add(std::move(message), observer))
                    ++added;
                m_context.log(std::move(entry));
            }
        }
    }
    if (added)
        m_context.notifyQueuesChanged();
    if (!m_nextMessage)
        m_nextMessage = std::make_unique<Message>();
    return added;
}

void CrosswireEndpoint::setArrivalObserver(std::function<void(const Message &)> observer)
{
    ObjectLock lock(*this);
    m_arrivalObserver = std::move(observer);
}

void CrosswireEndpoint::expireOutgoing()
{
    // Expiry is decided in whole seconds: once per second finds everything a full walk would.
    const int64_t now = Clock::nowSeconds();
    if (m_outgoingExpired.exchange(now) != now)
        m_outgoing.expireAll();
}

bool CrosswireEndpoint::processIncoming()
{
    const int64_t now = Clock::nowSeconds();
    if (m_receivedExpired.exchange(now) != now)
        m_received.expireAll();
    drainTransport();
    std::unique_ptr<Message> message = m_received.pick(-1);
    if (!message)
        return false;
    if (message->target.isEmpty())
        return true;
    if (MessageGlobals::instance().verifyDigests() &&
        (message->status == "REJECTED" || message->status == "NODIGEST")) {
        m_context.respond(*message, "Error", "ERROR: MESSAGE REJECTED",
                          CrosswireContext::kRejected);
        m_context.log("REJECTED", message.get());
        return true;
    }

    const QByteArray type = message->type;
    const int event = message->eventCode();
    // Handlers bound to a serial number wait for the responses of our exchange of that number.
    // A new message from a peer carries the peer's own serial, which may well equal one of ours
    // (every process numbers from 1), so it only ever goes to the handler of its type.
    const bool isResponse = Message::isResponseType(type);
    const bool isScriptReply = type == "Received" || type == "Result" || type == "Error";
    const std::shared_ptr<MsgHandler> handler =
        isResponse
            ? findHandler(isScriptReply ? QByteArray("Scriptara") : type, message->serialNumber)
            : findHandler(type, -1);
    const bool finalResponse = type == "Processed" || type == "Error" || type == "Timeout";
    if (handler) {
        QByteArray result;
        const int code = handler->handle(event, *message, result);
        if (code == 0)
            m_context.respond(*message, "Result", result, 0);
        else
            m_context.respond(*message, "Error", result, code);
    }
    if (finalResponse) {
        // The exchange of this serial number is over: its response handlers and its watcher go.
        removeHandlers(message->serialNumber);
        m_received.removeWatcher(message->serialNumber);
        m_context.log(type == "Processed" ? "PROCESSED CLEANUP"
                      : type == "Error"   ? "PROCESSED ERROR"
                                          : "PROCESSED TIMEOUT",
                      message.get());
    } else if (type != "Ignore" && handler) {
        if (type == "Result" || type == "Received")
            m_received.removeWatcher(message->serialNumber);
        m_context.respond(*message, "Processed", QByteArray(), 0);
        m_context.log("PROCESSED INCOMING MESSAGE", message.get());
    }
    return true;
}

QByteArray CrosswireEndpoint::diagnostics(const QByteArray &path) const
{
    QByteArray out;
    const auto incoming = m_received.snapshot();
    const auto outgoing = m_outgoing.snapshot();
    out += path + ";1;Incoming;" + QByteArray::number(qulonglong(incoming.size())) + ";\n";
    for (const Message &message : incoming)
        out += message.diagnostics(path);
    out += path + "/out;1;Outgoing;" + QByteArray::number(qulonglong(outgoing.size())) + ";\n";
    for (const Message &message : outgoing)
        out += message.diagnostics(path + "/out");
    return out;
}

} // namespace KnObjects
