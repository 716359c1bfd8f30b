#pragma once

#include "crosswire/solock.h"
#include "crosswire/thread.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <map>
#include <memory>
#include <mutex>

class MailslotFolderWatch;

namespace KnObjects {

class CrosswireContext;
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

    QByteArray diagnostics() const;
    CrosswireContext &context() const { return m_context; }

private:
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
    double m_averagePump = 0;
    double m_lastPump = 0;
    QByteArray m_idleHandler;
};

} // namespace KnObjects
