#include "crosswire/crosswirecontext.h"

#include "crosswire/clock.h"
#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/interappstream.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "crosswire/msghandler.h"
#include "crosswire/objectlock.h"
#include "crosswire/sostring.h"
#include "crosswire/specifier.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <chrono>

Q_LOGGING_CATEGORY(lcCrosswire, "tessaly.crosswire", QtWarningMsg)

namespace KnObjects {

using Crosswire::Message;
using Crosswire::Specifier;
using CrosswireData::MessageGlobals;

namespace {

std::atomic<CrosswireContext *> currentContext{nullptr};
// Serial numbers are unique in the process, whichever context takes them.
uint32_t nextSerial = 1;
std::mutex serialMutex;

constexpr int kMaxInstances = 8;
constexpr double kConnectorRefreshMs = 60000;
constexpr const char *kLibraryVersion = "2.0";
constexpr const char *kEngineBuild = "QJS 4.1.23";

QByteArray clockText(int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

bool sectionWanted(const QByteArrayList &sections, const char *name)
{
    return sections.isEmpty() || sections.contains(QByteArray(name));
}

} // namespace

CrosswireContext::CrosswireContext(Identity identity,
                                   std::unique_ptr<CrosswireConnectorHooks> hooks)
    : m_identity(std::move(identity))
    , m_hooks(hooks ? std::move(hooks) : std::make_unique<CrosswireConnector>())
{
    CrosswireContext *none = nullptr;
    currentContext.compare_exchange_strong(none, this);
}

CrosswireContext::~CrosswireContext()
{
    terminate();
    CrosswireContext *self = this;
    currentContext.compare_exchange_strong(self, nullptr);
}

CrosswireContext *CrosswireContext::current()
{
    return currentContext.load();
}

std::unique_ptr<InterAppStream> CrosswireContext::openOwnStream(const QByteArray &specifier,
                                                                QByteArray *opened) const
{
    if (specifier.isEmpty())
        return nullptr;
    auto stream = InterAppStream::open(specifier, m_identity.userId);
    if (stream->isOpen()) {
        if (opened)
            *opened = specifier;
        return stream;
    }
    Specifier spec(specifier, true);
    if (!spec.isValid() || !spec.instance().isEmpty())
        return nullptr;
    for (int instance = 1; instance <= kMaxInstances; ++instance) {
        spec.setInstance(QByteArray::number(instance));
        stream = InterAppStream::open(spec.text(), m_identity.userId);
        if (stream->isOpen()) {
            if (opened)
                *opened = spec.text();
            return stream;
        }
    }
    return nullptr;
}

bool CrosswireContext::init(const QByteArray &ownSpecifier, bool startThread)
{
    const Specifier spec(ownSpecifier);
    if (!spec.isValid()) {
        ObjectLock lock(*this);
        m_status = "INVALIDSPEC";
        return false;
    }
    CrosswireEndpoint *main = addEndpoint(spec.text());
    if (!main)
        return false;
    {
        ObjectLock lock(*this);
        m_ownSpecifier = main->specifier();
        m_initialized = true;
    }
    // The first send may need the installed list; the pump refreshes it from here on.
    m_hooks->refreshCache(false);
    m_lastConnectorRefresh = Clock::nowMilliseconds();
    if (startThread) {
        m_thread = std::make_unique<CrosswireThread>(*this);
        m_thread->openStream();
        m_thread->start();
    }
    return true;
}

bool CrosswireContext::initFromCommandLine(const QByteArray &ownSpecifier,
                                           const QStringList &arguments, bool startThread)
{
    const CrosswireConnector::ProcessSetup setup =
        CrosswireConnector::processSetup(ownSpecifier, arguments);
    if (!init(setup.specifier, startThread))
        return false;
    if (m_thread && !setup.launchParams.isEmpty())
        m_thread->setValue("LAUNCHPARAMS", setup.launchParams);
    return true;
}

CrosswireConnector *CrosswireContext::connector() const
{
    return dynamic_cast<CrosswireConnector *>(m_hooks.get());
}

void CrosswireContext::runSetup(std::function<void()> setup, bool synchronous)
{
    const auto started = std::chrono::steady_clock::now();
    auto elapsed = [started] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - started)
            .count();
    };
    if (synchronous) {
        setup();
        if (m_thread)
            m_thread->setValue("SETUPTIME", "thread=" + QByteArray::number(qlonglong(elapsed())) +
                                                "ms,(synchronous setup)");
        return;
    }
    m_setupRunning.store(true);
    m_setupThread = std::make_unique<std::thread>([this, setup = std::move(setup), elapsed] {
        setup();
        const qlonglong setupMs = elapsed();
        m_setupRunning.store(false);
        if (m_thread) {
            // The caller went on while the set-up ran: that time was gained against doing the
            // set-up synchronously, unless something had to wait for it.
            m_thread->setValue("SETUPTIME", "thread=" + QByteArray::number(setupMs) +
                                                "ms,left=" + QByteArray::number(setupMs) + "ms");
            m_thread->wake();
        }
    });
}

bool CrosswireContext::isSetupRunning() const
{
    return m_setupRunning.load();
}

void CrosswireContext::terminate()
{
    if (m_setupThread && m_setupThread->joinable())
        m_setupThread->join();
    m_setupThread.reset();
    if (m_thread) {
        m_thread->stop();
        m_thread->waitForExit();
        m_thread.reset();
    }
    ObjectLock lock(*this);
    m_endpoints.clear();
    m_initialized = false;
}

QByteArray CrosswireContext::ownSpecifier() const
{
    ObjectLock lock(*this);
    return m_ownSpecifier;
}

QByteArray CrosswireContext::status() const
{
    ObjectLock lock(*this);
    return m_status;
}

bool CrosswireContext::isInitialized() const
{
    ObjectLock lock(*this);
    return m_initialized;
}

CrosswireEndpoint *CrosswireContext::addEndpoint(const QByteArray &specifier)
{
    QByteArray opened;
    auto stream = openOwnStream(specifier, &opened);
    if (!stream)
        return nullptr;
    ObjectLock lock(*this);
    if (m_endpoints.size() >= size_t(kMaxEndpoints))
        return nullptr;
    auto endpoint =
        std::make_unique<CrosswireEndpoint>(*this, std::move(stream), opened, m_endpoints.empty());
    if (!m_messageForward.isEmpty()) {
        endpoint->received().setForwardTarget(m_messageForward);
        endpoint->outgoing().setForwardTarget(m_messageForward);
    }
    m_endpoints.push_back(std::move(endpoint));
    if (m_thread)
        m_thread->wake(); // to wait on the new socket too
    return m_endpoints.back().get();
}

CrosswireEndpoint *CrosswireContext::mainEndpoint() const
{
    ObjectLock lock(*this);
    return m_endpoints.empty() ? nullptr : m_endpoints.front().get();
}

CrosswireEndpoint *CrosswireContext::endpoint(const QByteArray &specifier) const
{
    ObjectLock lock(*this);
    for (const auto &endpoint : m_endpoints) {
        if (endpoint->specifier() == specifier)
            return endpoint.get();
    }
    return nullptr;
}

std::vector<CrosswireEndpoint *> CrosswireContext::endpoints() const
{
    ObjectLock lock(*this);
    std::vector<CrosswireEndpoint *> list;
    for (const auto &endpoint : m_endpoints)
        list.push_back(endpoint.get());
    return list;
}

bool CrosswireContext::addHandler(std::shared_ptr<Crosswire::MsgHandler> handler)
{
    CrosswireEndpoint *main = mainEndpoint();
    return main && main->addHandler(std::move(handler));
}

uint32_t CrosswireContext::nextSerialNumber()
{
    ObjectLock lock(*this);
    std::lock_guard guard(serialMutex);
    const uint32_t serial = nextSerial++;
    if (nextSerial == 0 || nextSerial == Message::kUnset)
        nextSerial = 1;
    return serial;
}

uint32_t CrosswireContext::peekSerialNumber() const
{
    std::lock_guard guard(serialMutex);
    return nextSerial;
}

InterAppStream &CrosswireContext::defaultStream()
{
    ObjectLock lock(*this);
    if (!m_defaultStream)
        m_defaultStream =
            InterAppStream::writer(InterAppStream::kDefaultStreamName, m_identity.userId);
    return *m_defaultStream;
}

CrosswireEndpoint *CrosswireContext::senderEndpoint(const QByteArray &sender) const
{
    CrosswireEndpoint *own = endpoint(sender);
    return own ? own : mainEndpoint();
}

// While a thread holds an endpoint's lock, the responses it produces (a queue's "Timeout"
// answers, the Error responses of messages that cannot go) wait here and are sent when it has let
// go: sending runs the connector's hooks, which must never be called under that lock.
class CrosswireContext::DeferredResponses
{
public:
    DeferredResponses()
        : m_outer(active == nullptr)
    {
        if (m_outer)
            active = this;
    }
    ~DeferredResponses()
    {
        if (!m_outer)
            return;
        active = nullptr;
        for (auto &[context, response] : m_responses)
            context->send(*response, false, false, {});
        for (auto &[context, failure] : m_failures)
            context->sendError(*failure.first, failure.second, kSendFailed);
    }
    DeferredResponses(const DeferredResponses &) = delete;
    DeferredResponses &operator=(const DeferredResponses &) = delete;

    // Keeps `response` for later when a deferral is active on this thread.
    static bool defer(CrosswireContext &context, std::unique_ptr<Message> &&response)
    {
        if (!active)
            return false;
        active->m_responses.emplace_back(&context, std::move(response));
        return true;
    }
    // Keeps the Error response of `message` for later (on the outermost active deferral).
    void fail(CrosswireContext &context, std::unique_ptr<Message> message, const QByteArray &text)
    {
        active->m_failures.emplace_back(&context, std::pair(std::move(message), text));
    }

private:
    static thread_local DeferredResponses *active;
    const bool m_outer;
    std::vector<std::pair<CrosswireContext *, std::unique_ptr<Message>>> m_responses;
    std::vector<std::pair<CrosswireContext *, std::pair<std::unique_ptr<Message>, QByteArray>>>
        m_failures;
};

thread_local CrosswireContext::DeferredResponses *CrosswireContext::DeferredResponses::active =
    nullptr;

bool CrosswireContext::sendError(const Message &message, const QByteArray &text, int64_t code)
{
    log(text, &message);
    respond(message, "Error", text, code);
    return false;
}

void CrosswireContext::respond(const Message &message, const QByteArray &responseType,
                               const QByteArray &body, int64_t errorCode)
{
    if (!message.requests(responseType))
        return;
    std::unique_ptr<Message> response = message.makeResponse(responseType, ownSpecifier());
    response->body = body;
    if (responseType == "Error") {
        response->setHeader("Error-Code", errorCode);
        std::lock_guard guard(m_logMutex);
        if (!m_errorForward.isEmpty())
            m_pendingForwards.append(
                {m_errorForward, "ERROR " + response->summary() + "\n" + body});
    }
    if (!DeferredResponses::defer(*this, std::move(response)))
        send(*response, false, false, {});
}

bool CrosswireContext::deliverLocally(CrosswireEndpoint &target, const Message &message)
{
    if (message.requests("Received")) {
        auto received = std::make_unique<Message>();
        received->type = "Received";
        received->target = message.sender;
        received->sender = message.target;
        received->timeout = 0;
        received->serialNumber = message.serialNumber;
        received->received = message.serialNumber;
        CrosswireEndpoint *own = endpoint(message.sender);
        if (own)
            own->received().add(std::move(received));
    }
    auto copy = std::make_unique<Message>(message);
    copy->status.clear(); // it never left the process
    const bool added = target.received().add(std::move(copy));
    log("RECEIVED", &message);
    notifyQueuesChanged();
    return added;
}

bool CrosswireContext::send(Message &message, bool allowLaunch, bool wait,
                            const QByteArray &launchParams)
{
    // 1. An empty script with no reply reference carries nothing.
    if (message.type == "Scriptara" && message.body.isEmpty() && !message.hasReplyReference())
        return false;
    // Filled before anything can fail, so an Error response finds its way back.
    if (message.sender.isEmpty())
        message.sender = ownSpecifier();
    // 2. The target as the connector knows it.
    const QByteArray target = m_hooks->normalizeSpecifier(message.target);
    if (!Specifier::isValidText(target))
        return sendError(message, "ERROR: INVALID SPECIFIER", kSendFailed);
    message.target = target;
    // 3. A timeout detected by the sender itself stays here.
    if (message.type == "Timeout" && message.header("TIMEOUT_DETECTOR") == "SENDER")
        return false;
    // 4.
    if (message.serialNumber == 0)
        message.serialNumber = nextSerialNumber();
    if (message.sender.isEmpty())
        message.sender = ownSpecifier();
    message.timestamp = Clock::nowSeconds();
    CrosswireEndpoint *from = senderEndpoint(message.sender);
    // 5. Whoever waits for an answer also learns when the message was processed.
    if (message.type != "Ignore" && message.type != "Debug") {
        const bool waited = from && from->hasHandlerFor(message.serialNumber);
        if ((!message.responseRequest.isEmpty() || waited) &&
            !message.responseRequest.contains("Processed"))
            message.responseRequest += "Processed";
    }
    // 6.
    SoString text;
    MessageGlobals &globals = MessageGlobals::instance();
    if (!message.streamOut(text, globals.addDigest(), m_identity.digestKey))
        return sendError(message, "ERROR: CAN'T STREAM MESSAGE TO STRING", kSendFailed);
    // The text is written from where it was streamed; `text` outlives every use of `wire`.
    const QByteArray wire = QByteArray::fromRawData(text.data(), qsizetype(text.length()));

    // 7. An endpoint of this process: straight into its received queue.
    bool local = false;
    if (CrosswireEndpoint *own = endpoint(target)) {
        local = true;
        if (!deliverLocally(*own, message))
            return sendError(message, "ERROR: MESSAGE QUEUE IS FULL", kSendFailed);
    } else {
        // 8. Another process. The endpoint's lock keeps queued and direct writes in order; it
        // is never held while the connector's hooks run (isRunning() asks them, a launch is
        // one), since a hook may call back into the library from this or another thread.
        CrosswireEndpoint *queueOwner = from;
        if (!queueOwner)
            return sendError(message, "ERROR: NO ENDPOINT", kSendFailed);
        BaseInterAppStream::WriteResult result = BaseInterAppStream::WriteResult::Full;
        bool queued = false;
        {
            ObjectLock sendLock(*queueOwner);
            const bool queuedBefore =
                queueOwner->outgoing().holdsMessageFor(target) || queueOwner->isLaunching(target);
            if (!queuedBefore)
                result = queueOwner->stream()->write(target, wire);
            if (result == BaseInterAppStream::WriteResult::Full) {
                // A full receiver runs, so it only needs time; so do messages queued before.
                queued = queueOwner->outgoing().add(std::make_unique<Message>(message));
                if (!queued)
                    return sendError(message, "ERROR: MESSAGE QUEUE IS FULL", kSendFailed);
            } else if (result != BaseInterAppStream::WriteResult::Written &&
                       result != BaseInterAppStream::WriteResult::TooLarge && allowLaunch) {
                queueOwner->setLaunching(target, true);
            }
        }
        if (result == BaseInterAppStream::WriteResult::Written) {
            log(QByteArrayLiteral("SEND"), &message);
        } else if (result == BaseInterAppStream::WriteResult::TooLarge) {
            // It can never fit one datagram: retrying would only delay the same answer.
            return sendError(message, "ERROR: MESSAGE TOO LARGE", kSendFailed);
        } else if (!queued) {
            // Nobody reads the target's mailslot: it may need launching.
            if (!allowLaunch)
                return sendError(message, "ERROR: LAUNCHING IS SUPPRESSED", kSendFailed);
            bool launched = true;
            if (!isRunning(target)) {
                log("TARGET IS NOT RUNNING", &message);
                launched = m_hooks->launchTarget(target, launchParams, false);
                if (launched)
                    log("LAUNCHING TARGET", &message);
            }
            {
                ObjectLock sendLock(*queueOwner);
                queueOwner->setLaunching(target, false);
                if (launched)
                    queued = queueOwner->outgoing().add(std::make_unique<Message>(message));
            }
            if (!launched)
                return sendError(message, "ERROR: TARGET COULD NOT BE LAUNCHED", kSendFailed);
            if (!queued)
                return sendError(message, "ERROR: MESSAGE QUEUE IS FULL", kSendFailed);
        }
        if (queued) {
            log("ENQUEUED OUTGOING MESSAGE", &message);
            if (m_thread)
                m_thread->wake();
        }
    }
    // 9. A watcher tells the sender when no response came in time.
    if (message.requests(QByteArrayLiteral("Timeout")) &&
        message.header("TIMEOUT_DETECTOR") != "TARGET" && from) {
        auto watcher = std::make_unique<Message>();
        watcher->type = "Ignore";
        watcher->target = message.target;
        watcher->sender = message.sender;
        watcher->responseRequest = "Timeout";
        watcher->serialNumber = message.serialNumber;
        watcher->timeout = message.timeout > 0 ? message.timeout + 1 : 60;
        watcher->timestamp = Clock::nowSeconds();
        from->received().add(std::move(watcher));
    }
    // 10.
    if (wait && !local && from) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(kLaunchPollSeconds);
        while (!isRunning(target) && std::chrono::steady_clock::now() < deadline)
            waitForIncoming(100);
        waitUntilDelivered(*from, message.serialNumber,
                           message.timeout > 0 ? message.timeout : Message::kDefaultQueueTimeout);
    }
    return true;
}

void CrosswireContext::waitUntilDelivered(CrosswireEndpoint &endpoint, uint32_t serial,
                                          int64_t timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    auto pending = [&] {
        for (const Message &queued : endpoint.outgoing().snapshot()) {
            if (queued.serialNumber == serial)
                return true;
        }
        return false;
    };
    while (pending() && std::chrono::steady_clock::now() < deadline) {
        if (!m_thread)
            sendQueued(endpoint);
        waitForIncoming(100);
    }
}

bool CrosswireContext::probe(const QByteArray &endpointName, const QByteArray &type)
{
    InterAppStream &stream = defaultStream();
    if (!stream.isTaken(endpointName))
        return false;
    Message probe;
    probe.type = type;
    probe.target = endpointName;
    const QByteArray own = ownSpecifier();
    probe.sender =
        own.isEmpty()
            ? QByteArray("Unknown" + QByteArray::number(qlonglong(Clock::nowMilliseconds())))
            : QByteArray(own + "#ping");
    probe.serialNumber = nextSerialNumber();
    SoString text;
    if (!probe.streamOut(text, MessageGlobals::instance().addDigest(), m_identity.digestKey))
        return false;
    const auto result = stream.write(endpointName, text.toByteArray());
    // A full receiver is alive too.
    return result == BaseInterAppStream::WriteResult::Written ||
           result == BaseInterAppStream::WriteResult::Full;
}

bool CrosswireContext::isRunning(const QByteArray &specifier)
{
    if (specifier.isEmpty())
        return false;
    if (specifier == ownSpecifier() || endpoint(specifier))
        return true;
    if (m_hooks->knowsRunningProcess(specifier))
        return true;
    const Specifier spec(specifier, true);
    if (spec.isValid() && spec.endpoint() != "thread" &&
        probe(spec.threadEndpoint().text(), "ping"))
        return true;
    // The receiver drops an empty script: it only tells that someone reads the mailslot.
    return probe(specifier, "Scriptara");
}

int CrosswireContext::sendQueued(CrosswireEndpoint &endpoint)
{
    endpoint.expireOutgoing();
    // Declared before the lock, so what it gathered goes out once the lock is released.
    DeferredResponses deferred;
    ObjectLock sendLock(endpoint);
    QByteArrayList failedTargets;
    const QByteArray key = m_identity.digestKey;
    const bool addDigest = MessageGlobals::instance().addDigest();
    int sent = 0;
    // Each target is tried until its first failure in this pass; its other messages stay where
    // they are, so the order per target holds and an unreachable target costs one write.
    while (std::unique_ptr<Message> first = endpoint.outgoing().pickExcept(failedTargets)) {
        SoString text;
        if (!first->streamOut(text, addDigest, key)) {
            deferred.fail(*this, std::move(first), "ERROR: CAN'T STREAM MESSAGE TO STRING");
            continue;
        }
        // Messages that waited for the same receiver go together in one datagram: a receiver
        // reads the messages of a datagram one after the other, and a backed-up queue drains in
        // a few writes instead of one wake-up per message.
        std::vector<std::unique_ptr<Message>> batch;
        QByteArray wire = text.toByteArray();
        batch.push_back(std::move(first));
        const QByteArray target = batch.front()->target;
        while (batch.size() < size_t(kMaxBatchMessages) && wire.size() < kMaxBatchBytes) {
            std::unique_ptr<Message> next = endpoint.outgoing().pickFor(target);
            if (!next)
                break;
            SoString more;
            if (!next->streamOut(more, addDigest, key) ||
                wire.size() + qsizetype(more.length()) > kMaxBatchBytes) {
                endpoint.outgoing().restoreFront(std::move(next));
                break;
            }
            wire += more.toByteArray();
            batch.push_back(std::move(next));
        }
        const auto result = endpoint.stream()->write(target, wire);
        if (result == BaseInterAppStream::WriteResult::Written) {
            for (const auto &message : batch)
                log("SEND ENQUEUED MESSAGE", message.get());
            sent += int(batch.size());
            continue;
        }
        if (result == BaseInterAppStream::WriteResult::TooLarge && batch.size() == 1) {
            deferred.fail(*this, std::move(batch.front()), "ERROR: MESSAGE TOO LARGE");
            continue;
        }
        failedTargets.append(target);
        // Back in their order; only the first one was really tried.
        for (size_t i = batch.size(); i-- > 1;)
            endpoint.outgoing().restoreFront(std::move(batch[i]));
        log("REQUEUED MESSAGE", batch.front().get());
        endpoint.outgoing().requeueFront(std::move(batch.front()));
    }
    if (sent)
        notifyQueuesChanged();
    return sent;
}

bool CrosswireContext::pump(int flags)
{
    if (!isInitialized() || isSetupRunning())
        return false;
    const double now = Clock::nowMilliseconds();
    if (now - m_lastConnectorRefresh >= kConnectorRefreshMs) {
        m_lastConnectorRefresh = now;
        m_hooks->refreshCache(false);
    }
    if (m_thread)
        m_thread->setStatus("PUMPING");
    bool processed = false;
    for (CrosswireEndpoint *endpoint : endpoints()) {
        if (flags & kProcessIncoming) {
            const bool wasBackedUp = endpoint->isBackedUp();
            // Bounded, so a handler that keeps sending to itself cannot hold the pump for ever.
            const size_t limit = endpoint->received().size() + 1024;
            for (size_t i = 0; i < limit && endpoint->processIncoming(); ++i)
                processed = true;
            if (wasBackedUp && m_thread)
                m_thread->wake(); // the thread may read the mailslot again
        }
        if (flags & kSendOutgoing)
            sendQueued(*endpoint);
    }
    if (m_thread)
        m_thread->setStatus("IDLE");
    return processed;
}

QByteArray CrosswireContext::ping(const QByteArray &target, const QByteArray &key,
                                  int timeoutMilliseconds, const QByteArray &body)
{
    CrosswireEndpoint *main = mainEndpoint();
    const Specifier spec(target, true);
    if (!main || !spec.isValid())
        return {};
    Message request;
    request.type = "ping";
    request.target = spec.endpoint() == "thread" ? spec.text() : spec.threadEndpoint().text();
    request.sender = main->specifier();
    request.body = body;
    request.setHeader("ECHO_REQUEST", key);
    if (!send(request, false, false, {}))
        return {};
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        main->drainTransport();
        // Only the echo of this request: a peer's own message may carry the same serial
        // number and must stay for the pump.
        const uint32_t serial = request.serialNumber;
        if (auto reply = main->received().pickMatching([serial](const Message &queued) {
                return queued.serialNumber == serial && queued.type == "ping" &&
                       queued.hasHeader("ECHO_RESPONSE");
            }))
            return reply->body;
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        waitForIncoming(20);
    }
}

void CrosswireContext::notifyQueuesChanged()
{
    {
        std::lock_guard guard(m_waitMutex);
        ++m_queueGeneration;
    }
    m_queuesChanged.notify_all();
}

uint64_t CrosswireContext::queueGeneration()
{
    std::lock_guard guard(m_waitMutex);
    return m_queueGeneration;
}

void CrosswireContext::waitForChange(uint64_t seen, int milliseconds)
{
    std::unique_lock guard(m_waitMutex);
    m_queuesChanged.wait_for(guard, std::chrono::milliseconds(milliseconds),
                             [&] { return m_queueGeneration != seen; });
}

void CrosswireContext::waitForIncoming(int milliseconds)
{
    std::unique_lock guard(m_waitMutex);
    const uint64_t generation = m_queueGeneration;
    m_queuesChanged.wait_for(guard, std::chrono::milliseconds(milliseconds),
                             [&] { return m_queueGeneration != generation; });
}

void CrosswireContext::forwardQueueEvent(const QByteArray &forwardTarget, const QByteArray &event,
                                         const Message &message)
{
    // Gathered here and sent by the messaging thread: the queue that reports is locked now.
    std::lock_guard guard(m_logMutex);
    if (m_pendingForwards.size() < kMaxLogEntries)
        m_pendingForwards.append({forwardTarget, "FWDMESSAGES " + event + " " + message.summary()});
}

void CrosswireContext::setMessageForwardTarget(const QByteArray &target)
{
    {
        std::lock_guard guard(m_logMutex);
        m_messageForward = target;
    }
    for (CrosswireEndpoint *endpoint : endpoints()) {
        endpoint->received().setForwardTarget(target);
        endpoint->outgoing().setForwardTarget(target);
    }
}

void CrosswireContext::setLogForwardTarget(const QByteArray &target)
{
    std::lock_guard guard(m_logMutex);
    m_logForward = target;
}

void CrosswireContext::setErrorForwardTarget(const QByteArray &target)
{
    std::lock_guard guard(m_logMutex);
    m_errorForward = target;
}

void CrosswireContext::flushForwards()
{
    QList<QPair<QByteArray, QByteArray>> pending;
    {
        std::lock_guard guard(m_logMutex);
        pending.swap(m_pendingForwards);
    }
    for (const auto &[target, body] : pending) {
        Message copy;
        copy.type = "Debug";
        copy.target = target;
        copy.body = body;
        copy.sender = ownSpecifier();
        send(copy, false, false, {});
    }
}

QByteArray CrosswireContext::LogEntry::line() const
{
    return hasMessage ? event + " " + Message::summaryOf(type, serial, sender, target, bodySize)
                      : event;
}

CrosswireContext::LogEntry CrosswireContext::logEntry(const QByteArray &event,
                                                      const Message *message)
{
    LogEntry entry;
    entry.event = event;
    if (message) {
        // Shared copies of the fields: the message may change or go before the log is read.
        ObjectLock lock(*message);
        entry.hasMessage = true;
        entry.type = message->type;
        entry.sender = message->sender;
        entry.target = message->target;
        entry.serial = message->serialNumber;
        entry.bodySize = message->body.size();
    }
    return entry;
}

void CrosswireContext::log(const QByteArray &event, const Message *message)
{
    log(logEntry(event, message));
}

void CrosswireContext::log(LogEntry entry)
{
    if (lcCrosswire().isDebugEnabled())
        qCDebug(lcCrosswire).noquote() << QString::fromUtf8(entry.line());
    std::lock_guard guard(m_logMutex);
    if (!m_logging)
        return;
    entry.time = Clock::nowSeconds();
    // Debug messages are the forwards themselves.
    if (!m_logForward.isEmpty() && entry.type != "Debug" &&
        m_pendingForwards.size() < kMaxLogEntries)
        m_pendingForwards.append({m_logForward, "FWDLOGS " + entry.line()});
    // A ring: once full, the oldest entry is overwritten in place.
    if (m_log.size() < size_t(kMaxLogEntries)) {
        m_log.push_back(std::move(entry));
    } else {
        m_log[m_logOldest] = std::move(entry);
        m_logOldest = (m_logOldest + 1) % m_log.size();
    }
}

bool CrosswireContext::isLogging() const
{
    std::lock_guard guard(m_logMutex);
    return m_logging;
}

void CrosswireContext::setLogging(bool on)
{
    std::lock_guard guard(m_logMutex);
    m_logging = on;
}

QByteArray CrosswireContext::logText() const
{
    std::lock_guard guard(m_logMutex);
    QByteArray out = "CW LOG ------------------\n";
    for (size_t i = 0; i < m_log.size(); ++i) {
        const LogEntry &entry = m_log[(m_logOldest + i) % m_log.size()];
        out += clockText(entry.time) + " " + entry.line() + "\n";
    }
    return out;
}

QByteArray CrosswireContext::diagnostics(const QByteArray &sectionList) const
{
    QByteArrayList sections;
    for (const QByteArray &section : sectionList.split(',')) {
        if (!section.trimmed().isEmpty())
            sections.append(section.trimmed().toLower());
    }
    QByteArray out = "Crosswire Diagnostics\n----------------------\n";
    if (sections.isEmpty()) {
        const auto list = endpoints();
        out += "/instances;1;Instances;" + QByteArray::number(qulonglong(list.size())) + ";\n";
        int index = 0;
        for (CrosswireEndpoint *endpoint : list) {
            const QByteArray path = "/instances/" + QByteArray::number(index++);
            const QByteArray mark = !endpoint->isMain() ? QByteArray()
                                    : isInitialized()
                                        ? QByteArray("(main)")
                                        : QByteArray("(main, init() hasn't been called)");
            out += path + ";1;" + endpoint->specifier() + ";" + mark + ";\n";
            out += endpoint->diagnostics(path);
        }
    }
    if (sectionWanted(sections, "context")) {
        out += "/context;1;Info;;\n";
        out += "/context/name;0;Name;" + ownSpecifier() + ";\n";
        out += "/context/status;0;Status;" + status() + ";\n";
        out += "/context/group;0;Group;;\n";
        out += "/context/path;0;Path;" + QCoreApplication::applicationFilePath().toUtf8() + ";\n";
        out += QByteArray("/context/version;0;Version;") + kLibraryVersion + ";\n";
        out += QByteArray("/context/build;0;Build;") + kEngineBuild + ";\n";
        out += "/context/nextsnr;0;Next serial number;" + QByteArray::number(peekSerialNumber()) +
               ";\n";
        out += isLogging() ? "/context/logging;0;Logging:;ON;\n"
                           : "/context/logging;0;Logging:;OFF;\n";
        out += "/context/now;0;Now;" + clockText(Clock::nowSeconds()) + ";\n";
    }
    if (sectionWanted(sections, "thread") && m_thread)
        out += m_thread->diagnostics();
    if (sectionWanted(sections, "messages")) {
        const MessageGlobals &globals = MessageGlobals::instance();
        out += "/messages;1;Messages;;\n";
        out += "/messages/version;0;Message Version;2.05;\n";
        out += QByteArray("/messages/authentication;0;Authentication;") +
               (globals.verifyDigests() ? "ON" : "OFF") + ";\n";
        out +=
            QByteArray("/messages/digest;0;Digest;") + (globals.addDigest() ? "ON" : "OFF") + ";\n";
    }
    if (sectionWanted(sections, "connector"))
        out += m_hooks->diagnostics();
    if (sectionWanted(sections, "log"))
        out += logText();
    return out;
}

} // namespace KnObjects
