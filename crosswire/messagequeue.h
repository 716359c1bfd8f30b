#pragma once

#include "crosswire/solockable.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace KnObjects {
namespace Crosswire {
class Message;
}

namespace CrosswireData {

class MessageQueueHost;

// An endpoint's queue of messages (received ones, or outgoing ones not delivered yet), in order,
// with their expiry rules: a message expires once timestamp + timeout has passed, and an "Ignore"
// watcher without timeout at once. Expired messages are answered with a "Timeout" response when
// they ask for one. The queue holds at most maxLength() messages; add() refuses more.
class MessageQueue : public SoLockable
{
public:
    static constexpr int64_t kRequeueWindow = 600;

    explicit MessageQueue(MessageQueueHost *host = nullptr, size_t maxLength = 50000);
    ~MessageQueue();

    size_t maxLength() const { return m_maxLength; }
    size_t size() const;
    bool isEmpty() const;

    // Queue events are mirrored to this target (empty: not mirrored).
    void setForwardTarget(const QByteArray &target);
    QByteArray forwardTarget() const;

    // Appends a message with a target and a sender; a missing timestamp becomes now and a timeout
    // of 0 becomes 600 seconds. False (and the message dropped) when refused or the queue is full.
    // `inserted` (when set) sees the message once it stands in the queue, still under the
    // queue's lock, so nobody can have taken it yet: it must not wait for another thread.
    bool add(std::unique_ptr<Crosswire::Message> message,
             const std::function<void(const Crosswire::Message &)> &inserted = {});
    // Takes the first message that is not a watcher and matches `serial` (-1: any), answering and
    // dropping expired messages on the way; watchers passed go to the back in their order.
    std::unique_ptr<Crosswire::Message> pick(int64_t serial = -1);
    // Drops every expired message after sending its "Timeout" response.
    void expireAll();
    // Drops the "Ignore" watchers for `serial` that wait for "Timeout".
    void removeWatcher(uint32_t serial);
    // Puts a message that could not be delivered back at the end. The first requeue stamps it
    // with "QUEUESTAMP"; its timestamp follows now until 600 seconds after that, then falls back
    // to the stamp with a timeout that makes it expire.
    void requeue(std::unique_ptr<Crosswire::Message> message);
    // The same bookkeeping, but back at the front: the message stays ahead of those queued
    // after it for the same target.
    void requeueFront(std::unique_ptr<Crosswire::Message> message);
    // The first message for `target` that is not a watcher and has not expired; null when none.
    std::unique_ptr<Crosswire::Message> pickFor(const QByteArray &target);
    // Puts a message taken but never tried back at the front, untouched.
    void restoreFront(std::unique_ptr<Crosswire::Message> message);
    // Takes the first message that is not a watcher and that `accept` takes, leaving the others
    // where they are.
    std::unique_ptr<Crosswire::Message>
    pickMatching(const std::function<bool(const Crosswire::Message &)> &accept);
    // Like pick(-1), leaving the messages for `skipTargets` where they are.
    std::unique_ptr<Crosswire::Message> pickExcept(const QByteArrayList &skipTargets);

    // Whether a message for `target` waits here.
    bool holdsMessageFor(const QByteArray &target) const;
    // The distinct targets of the queued messages (watchers aside), at most `limit`.
    QByteArrayList targets(int limit = 64) const;
    static bool isExpired(const Crosswire::Message &message, int64_t now);

    // Copies of the queued messages, for diagnostics.
    std::vector<Crosswire::Message> snapshot() const;

private:
    std::unique_ptr<Crosswire::Message>
    pickLocked(int64_t serial, const QByteArrayList &skipTargets,
               const std::function<bool(const Crosswire::Message &)> *accept,
               std::vector<std::unique_ptr<Crosswire::Message>> &expired);
    void putBack(std::unique_ptr<Crosswire::Message> message, bool front);
    // Keeps the number of queued messages per target (watchers aside).
    void count(const Crosswire::Message &message, int change);
    void answerExpired(std::vector<std::unique_ptr<Crosswire::Message>> &expired);
    void expire(Crosswire::Message &message, const char *event);
    void forward(const char *event, const Crosswire::Message &message);

    MessageQueueHost *const m_host;
    const size_t m_maxLength;
    QByteArray m_forwardTarget;
    std::deque<std::unique_ptr<Crosswire::Message>> m_messages;
    std::map<QByteArray, int> m_targetCounts;
};

} // namespace CrosswireData
} // namespace KnObjects
