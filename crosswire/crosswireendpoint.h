#pragma once

#include "crosswire/messagequeue.h"
#include "crosswire/solockable.h"

#include <QByteArray>
#include <QByteArrayList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace KnObjects {

class CrosswireContext;
class InterAppStream;

namespace Crosswire {
class Message;
class MsgHandler;
} // namespace Crosswire

// One messaging endpoint of this process: its stream (the receiving mailslot), its queue of
// received messages, its queue of outgoing messages not delivered yet, and its handlers.
class CrosswireEndpoint : public SoLockable
{
public:
    static constexpr int kMaxHandlers = 4096;

    CrosswireEndpoint(CrosswireContext &context, std::unique_ptr<InterAppStream> stream,
                      const QByteArray &specifier, bool isMain);
    ~CrosswireEndpoint();

    QByteArray specifier() const { return m_specifier; }
    bool isMain() const { return m_isMain; }
    InterAppStream *stream() const { return m_stream.get(); }
    CrosswireData::MessageQueue &received() { return m_received; }
    CrosswireData::MessageQueue &outgoing() { return m_outgoing; }

    // Handlers: a handler for a type and every serial, or bound to one serial.
    bool addHandler(std::shared_ptr<Crosswire::MsgHandler> handler);
    void removeHandlers(uint32_t serial);
    std::shared_ptr<Crosswire::MsgHandler> findHandler(const QByteArray &type,
                                                       int64_t serial) const;
    bool hasHandlerFor(uint32_t serial) const;
    size_t pendingResponses() const;

    // Reads the waiting datagrams, parses the messages in them and adds them to the received
    // queue (answering "Received" when asked); returns the number of messages added. Reading
    // stops while the received queue is full, so senders see a full receiver instead of losing
    // messages.
    int drainTransport();
    // Handles one received message; false when none was waiting.
    bool processIncoming();
    // Called on the thread that reads the mailslot for each message the moment it has been put
    // into the received queue (under the queue's lock, so the observer must not wait for another
    // thread), so an application can wake its own loop instead of polling.
    void setArrivalObserver(std::function<void(const Crosswire::Message &)> observer);

    // Drops the expired outgoing messages (answering "Timeout" when asked).
    void expireOutgoing();
    // Marks `target` as being launched for a message of this endpoint: until the mark goes,
    // messages to it are queued behind that one instead of written past it.
    void setLaunching(const QByteArray &target, bool launching);
    bool isLaunching(const QByteArray &target) const;
    // True while the received queue has no room for what the transport holds.
    bool isBackedUp() const;

    QByteArray diagnostics(const QByteArray &path) const;

private:
    CrosswireContext &m_context;
    std::unique_ptr<InterAppStream> m_stream;
    const QByteArray m_specifier;
    const bool m_isMain;
    CrosswireData::MessageQueue m_received;
    CrosswireData::MessageQueue m_outgoing;
    std::vector<std::shared_ptr<Crosswire::MsgHandler>> m_handlers;
    std::function<void(const Crosswire::Message &)> m_arrivalObserver;
    QByteArrayList m_launching;
    std::atomic<bool> m_draining{false};
    // The message the next arrival is parsed into, made after a drain (by the drainer only): the
    // queue's messages are freed by the threads that pick them, so a new one is a slow
    // allocation, and it should not stand between a datagram and the received queue.
    std::unique_ptr<Crosswire::Message> m_nextMessage;
    std::atomic<int64_t> m_receivedExpired{0};
    std::atomic<int64_t> m_outgoingExpired{0};
};

} // namespace KnObjects
