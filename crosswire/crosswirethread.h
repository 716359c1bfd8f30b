#pragma once

#include "crosswire/solock.h"
#include "crosswire/thread.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <poll.h>

class MailslotFolderWatch;

namespace KnObjects {

class CrosswireContext;
class CrosswireEndpoint;
class InterAppStream;

namespace Crosswire {
class Message;
class MsgHandler;
} // namespace Crosswire

// The process's messaging thread. It owns the thread endpoint ("...#thread") that answers
// status and diagnostics requests, drains the endpoints' mailslots into their received queues,
// sends queued outgoing messages, and drops expired named values. Between cycles it waits at most
// 100 ms on its wake event, the endpoints' sockets, receivers it waits to have room and the
// mailslot folder (for a target that does not run yet), so arriving messages end the wait at
// once. Handlers of received messages run when the application pumps, not here.
class CrosswireThread : public Thread
{
public:
    static constexpr int kCycleMilliseconds = 100;
    static constexpr int kSetupWaitMilliseconds = 10;
    static constexpr int kMaxValues = 256;

    // A named value of the thread endpoint, with an optional handler and an expiry time
    // (seconds since 1970, 0 = never).
    struct PingData
    {
        QByteArray name;
        QByteArray value;
        std::shared_ptr<Crosswire::MsgHandler> handler;
        int64_t expiry = 0;
    };

    explicit CrosswireThread(CrosswireContext &context);
    ~CrosswireThread() override;

    void run() override;
    void sleep(int milliseconds) override;
    // Sets the stop flag and wakes the thread.
    void stop();

    // The thread-endpoint specifier actually opened (with instance); empty before.
    QByteArray specifier() const;
    // Opens the thread endpoint now (run() does it when not done yet).
    bool openStream();

    // Named values; an expiry of 0 keeps a value for ever.
    void setValue(const QByteArray &name, const QByteArray &value, int64_t expirySeconds = 0);
    QByteArray value(const QByteArray &name) const;
    bool hasValue(const QByteArray &name) const;
    void removeValue(const QByteArray &name);
    // "STATUS": "PUMPING" and "IDLE" keep the pump statistics.
    void setStatus(const QByteArray &status);
    double averagePumpInterval() const;
    double lastPumpTime() const;

    // Thread handlers by name ("MAIN", "LAUNCHED", "DIAGNOSTICS", "INFO", forward handlers).
    void setHandler(const QByteArray &name, std::shared_ptr<Crosswire::MsgHandler> handler);
    std::shared_ptr<Crosswire::MsgHandler> handler(const QByteArray &name) const;
    void setIdleHandler(const QByteArray &name);

    // One cycle (normally run by the thread itself, under the thread lock).
    void cycle();
    // Cycles that did the whole round (read the thread endpoint, expired values), and cycles
    // that only moved arrived messages into the received queues.
    uint64_t fullCycles() const { return m_fullCycles.load(); }
    uint64_t deliveryCycles() const { return m_deliveryCycles.load(); }

    QByteArray diagnostics() const;
    CrosswireContext &context() const { return m_context; }

private:
    // `full`: the whole cycle; otherwise only what the endpoints' sockets brought is read and
    // queued messages are sent.
    void runCycle(bool full);
    int millisecondsToFullCycle() const;
    QByteArrayList receiveThreadMessages();
    void handleThreadMessages(const QByteArrayList &datagrams);
    void expireValues();

    CrosswireContext &m_context;
    std::atomic<bool> m_stop{false};
    SoLock m_threadLock;
    mutable std::mutex m_valuesMutex;
    QByteArray m_specifier;
    std::unique_ptr<InterAppStream> m_stream;
    std::unique_ptr<MailslotFolderWatch> m_folderWatch;
    std::map<QByteArray, PingData> m_values;
    std::map<QByteArray, std::shared_ptr<Crosswire::MsgHandler>> m_handlers;
    std::vector<pollfd> m_pollHandles; // reused, so a wait allocates nothing
    // The endpoint of each endpoint socket in m_pollHandles, and those whose socket fired.
    std::vector<CrosswireEndpoint *> m_pollEndpoints;
    std::vector<CrosswireEndpoint *> m_firedEndpoints;
    bool m_fullCycleDue = true;
    std::chrono::steady_clock::time_point m_lastFullCycle;
    std::atomic<uint64_t> m_fullCycles{0};
    std::atomic<uint64_t> m_deliveryCycles{0};
    double m_averagePump = 0;
    double m_lastPump = 0;
    QByteArray m_idleHandler;
};

} // namespace KnObjects
