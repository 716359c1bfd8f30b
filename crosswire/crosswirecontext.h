#pragma once

#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/messagequeuehost.h"
#include "crosswire/solockable.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace KnObjects {

class CrosswireConnector;
class CrosswireEndpoint;
class CrosswireThread;
class InterAppStream;

namespace Crosswire {
class Message;
class MsgHandler;
} // namespace Crosswire

// The messaging system of one process: its endpoints, the messaging thread, the per-user
// identity, the serial numbers, the event log, and the operations the rest of the library and
// the application use: send, isRunning, pump.
//
// send() and pump() are called on the application's threads, the cycles run on the messaging
// thread; every shared structure has its own lock.
class CrosswireContext : public SoLockable, public CrosswireData::MessageQueueHost
{
public:
    static constexpr int kLaunchPollSeconds = 300;
    static constexpr int kMaxLogEntries = 1000;
    static constexpr int kMaxEndpoints = 64;
    // Queued messages for one receiver sent together in one datagram, at most.
    static constexpr int kMaxBatchMessages = 256;
    static constexpr qsizetype kMaxBatchBytes = 32 * 1024;
    // Errors of send().
    static constexpr int64_t kSendFailed = 59;
    static constexpr int64_t kRejected = 53;
    // Pump flags.
    static constexpr int kProcessIncoming = 1;
    static constexpr int kSendOutgoing = 2;

    struct Identity
    {
        QByteArray userId;
        QByteArray digestKey;
    };

    explicit CrosswireContext(Identity identity,
                              std::unique_ptr<CrosswireConnectorHooks> hooks = nullptr);
    ~CrosswireContext() override;
    CrosswireContext(const CrosswireContext &) = delete;
    CrosswireContext &operator=(const CrosswireContext &) = delete;

    // The process's context (set by the first one made; cleared when it goes).
    static CrosswireContext *current();

    // Opens the main endpoint for `ownSpecifier` (taking instance 1 to 8 when the name is taken)
    // and starts the messaging thread. False with status "INVALIDSPEC" for an invalid specifier,
    // or when no stream could be opened.
    bool init(const QByteArray &ownSpecifier, bool startThread = true);
    // init() after the process set-up of a launched application: "-specifier S" in `arguments`
    // (the program's arguments after its name) replaces `ownSpecifier`, "-instance I" sets its
    // instance, and the whole command line is kept as the thread value "LAUNCHPARAMS".
    bool initFromCommandLine(const QByteArray &ownSpecifier, const QStringList &arguments,
                             bool startThread = true);
    // Runs the process set-up (`setup`) on a set-up thread; the messaging thread and the pump
    // wait for it. With `synchronous` it runs here and now.
    void runSetup(std::function<void()> setup, bool synchronous);
    bool isSetupRunning() const;
    // Stops the messaging thread and closes every endpoint.
    void terminate();

    QByteArray ownSpecifier() const;
    QByteArray status() const;
    bool isInitialized() const;
    const Identity &identity() const { return m_identity; }
    CrosswireConnectorHooks &hooks() const { return *m_hooks; }
    // The hooks as the connector, null when the context was given other hooks.
    CrosswireConnector *connector() const;
    CrosswireThread *thread() const { return m_thread.get(); }

    // Opens a stream receiving at `specifier`; when the name is taken and the specifier has no
    // instance, instances 1 to 8 are tried. Null when none opens; `opened` gets the name used.
    std::unique_ptr<InterAppStream> openOwnStream(const QByteArray &specifier,
                                                  QByteArray *opened = nullptr) const;
    // Adds an endpoint of this process (the first one is the main endpoint).
    CrosswireEndpoint *addEndpoint(const QByteArray &specifier);
    CrosswireEndpoint *mainEndpoint() const;
    CrosswireEndpoint *endpoint(const QByteArray &specifier) const;
    std::vector<CrosswireEndpoint *> endpoints() const;

    // Installs `handler` on the main endpoint.
    bool addHandler(std::shared_ptr<Crosswire::MsgHandler> handler);

    uint32_t nextSerialNumber();
    uint32_t peekSerialNumber() const;

    // Sends `message`: locally into the received queue of an endpoint of this process, or into
    // the target's mailslot, launching the target (when allowed) and queueing the message until
    // the target's mailslot exists. Failures are answered with Error responses (code 59).
    bool send(Crosswire::Message &message, bool allowLaunch = false, bool wait = false,
              const QByteArray &launchParams = {});
    // Whether an endpoint of `specifier` runs (own, known to the connector, or probed).
    bool isRunning(const QByteArray &specifier);
    // Handles received messages (flag 1) and sends queued ones (flag 2) on the calling thread;
    // true when any message was processed.
    bool pump(int flags = kProcessIncoming | kSendOutgoing);
    // Sends the queued outgoing messages of `endpoint` that can go; returns how many went.
    int sendQueued(CrosswireEndpoint &endpoint);
    // Asks the messaging thread of `target` for its value `key` ("STATUS", "LAUNCHPARAMS:..."),
    // or sets one with "NAME=value"; empty when no answer came in time.
    // `body` goes with the request (the section list of "INFO").
    QByteArray ping(const QByteArray &target, const QByteArray &key, int timeoutMilliseconds = 2000,
                    const QByteArray &body = {});
    // Waits until a received queue changed or `milliseconds` passed.
    void waitForIncoming(int milliseconds);
    // A count of queue changes; waitForChange() returns at once when it moved past `seen`, so a
    // change between looking at a queue and waiting is never missed.
    uint64_t queueGeneration();
    void waitForChange(uint64_t seen, int milliseconds);

    // Sends a response of `responseType` to `message` when it asks for one.
    void respond(const Crosswire::Message &message, const QByteArray &responseType,
                 const QByteArray &body, int64_t errorCode) override;
    void forwardQueueEvent(const QByteArray &forwardTarget, const QByteArray &event,
                           const Crosswire::Message &message) override;
    // Mirrors queue events of every endpoint to `target` (empty: stop).
    void setMessageForwardTarget(const QByteArray &target);
    void setLogForwardTarget(const QByteArray &target);
    void setErrorForwardTarget(const QByteArray &target);
    // Sends what was gathered for the monitoring targets (called by the messaging thread).
    void flushForwards();

    // An event as it happened; its line is written only when someone reads the log, so logging
    // costs a send or a receive no text formatting.
    struct LogEntry
    {
        int64_t time = 0;
        QByteArray event;
        bool hasMessage = false;
        QByteArray type;
        QByteArray sender;
        QByteArray target;
        uint32_t serial = 0;
        qsizetype bodySize = 0;
        QByteArray line() const;
    };
    // What the log keeps of `event` with `message`; taken while the message is at hand, so it
    // can be recorded after the message went on.
    static LogEntry logEntry(const QByteArray &event, const Crosswire::Message *message);
    // Records an event in the log.
    void log(const QByteArray &event, const Crosswire::Message *message = nullptr);
    void log(LogEntry entry);
    bool isLogging() const;
    void setLogging(bool on);
    QByteArray logText() const;

    // The diagnostics tree; `sections` limits it to a comma list of "context", "thread",
    // "messages", "connector", "log" (empty: everything).
    QByteArray diagnostics(const QByteArray &sections = {}) const;

    // Called when a received queue gained messages or an outgoing one lost them.
    void notifyQueuesChanged();

private:
    class DeferredResponses;

    bool sendError(const Crosswire::Message &message, const QByteArray &text, int64_t code);
    bool deliverLocally(CrosswireEndpoint &target, const Crosswire::Message &message);
    CrosswireEndpoint *senderEndpoint(const QByteArray &sender) const;
    bool probe(const QByteArray &endpointName, const QByteArray &type);
    InterAppStream &defaultStream();
    void waitUntilDelivered(CrosswireEndpoint &endpoint, uint32_t serial, int64_t timeoutSeconds);

    const Identity m_identity;
    std::unique_ptr<CrosswireConnectorHooks> m_hooks;
    QByteArray m_ownSpecifier;
    QByteArray m_status = "NOERROR";
    bool m_initialized = false;
    std::vector<std::unique_ptr<CrosswireEndpoint>> m_endpoints;
    std::unique_ptr<InterAppStream> m_defaultStream;
    std::unique_ptr<CrosswireThread> m_thread;
    std::atomic<bool> m_setupRunning{false};
    std::unique_ptr<std::thread> m_setupThread;
    double m_lastConnectorRefresh = 0;

    mutable std::mutex m_logMutex;
    bool m_logging = true;
    std::vector<LogEntry> m_log;
    size_t m_logOldest = 0;
    QByteArray m_logForward;
    QByteArray m_errorForward;
    QByteArray m_messageForward;
    QList<QPair<QByteArray, QByteArray>> m_pendingForwards; // target, body

    std::mutex m_waitMutex;
    std::condition_variable m_queuesChanged;
    uint64_t m_queueGeneration = 0;
};

} // namespace KnObjects
