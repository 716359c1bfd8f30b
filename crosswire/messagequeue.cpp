#include "crosswire/messagequeue.h"

#include "crosswire/clock.h"
#include "crosswire/message.h"
#include "crosswire/messagequeuehost.h"
#include "crosswire/objectlock.h"

namespace KnObjects::CrosswireData {

using Crosswire::Message;

MessageQueue::MessageQueue(MessageQueueHost *host, size_t maxLength)
    : m_host(host)
    , m_maxLength(maxLength)
{
}

MessageQueue::~MessageQueue() = default;

size_t MessageQueue::size() const
{
    ObjectLock lock(*this);
    return m_messages.size();
}

bool MessageQueue::isEmpty() const
{
    ObjectLock lock(*this);
    return m_messages.empty();
}

void MessageQueue::setForwardTarget(const QByteArray &target)
{
    ObjectLock lock(*this);
    m_forwardTarget = target;
}

QByteArray MessageQueue::forwardTarget() const
{
    ObjectLock lock(*this);
    return m_forwardTarget;
}

void MessageQueue::forward(const char *event, const Message &message)
{
    if (m_host && !m_forwardTarget.isEmpty() && message.type != "Debug")
        m_host->forwardQueueEvent(m_forwardTarget, event, message);
}

bool MessageQueue::isExpired(const Message &message, int64_t now)
{
    if (message.type == "Ignore" && message.timeout == 0)
        return true;
    return message.timeout > 0 && message.timestamp > 0 &&
           message.timestamp + message.timeout <= now;
}

void MessageQueue::expire(Message &message, const char *event)
{
    if (m_host && message.requests("Timeout"))
        m_host->respond(message, "Timeout", QByteArray(), 0);
    forward(event, message);
}

bool MessageQueue::add(std::unique_ptr<Message> message,
                       const std::function<void(const Message &)> &inserted)
{
    if (!message || message->target.isEmpty() || message->sender.isEmpty())
        return false;
    ObjectLock lock(*this);
    if (m_messages.size() >= m_maxLength)
        return false;
    if (message->timestamp == 0)
        message->timestamp = Clock::nowSeconds();
    if (message->timeout == 0)
        message->timeout = Message::kDefaultQueueTimeout;
    forward("added", *message);
    count(*message, 1);
    m_messages.push_back(std::move(message));
    if (inserted)
        inserted(*m_messages.back());
    return true;
}

void MessageQueue::count(const Message &message, int change)
{
    if (message.type == "Ignore")
        return;
    auto it = m_targetCounts.find(message.target);
    if (it == m_targetCounts.end()) {
        if (change > 0)
            m_targetCounts.emplace(message.target, change);
        return;
    }
    it->second += change;
    if (it->second <= 0)
        m_targetCounts.erase(it);
}

std::unique_ptr<Message> MessageQueue::pick(int64_t serial)
{
    std::vector<std::unique_ptr<Message>> expired;
    std::unique_ptr<Message> picked = pickLocked(serial, {}, nullptr, expired);
    answerExpired(expired);
    return picked;
}

std::unique_ptr<Message>
MessageQueue::pickMatching(const std::function<bool(const Message &)> &accept)
{
    std::vector<std::unique_ptr<Message>> expired;
    std::unique_ptr<Message> picked = pickLocked(-1, {}, &accept, expired);
    answerExpired(expired);
    return picked;
}

std::unique_ptr<Message> MessageQueue::pickExcept(const QByteArrayList &skipTargets)
{
    std::vector<std::unique_ptr<Message>> expired;
    std::unique_ptr<Message> picked = pickLocked(-1, skipTargets, nullptr, expired);
    answerExpired(expired);
    return picked;
}

std::unique_ptr<Message>
MessageQueue::pickLocked(int64_t serial, const QByteArrayList &skipTargets,
                         const std::function<bool(const Message &)> *accept,
                         std::vector<std::unique_ptr<Message>> &expired)
{
    ObjectLock lock(*this);
    const int64_t now = Clock::nowSeconds();
    std::vector<std::unique_ptr<Message>> setAside;
    std::unique_ptr<Message> picked;

    for (auto it = m_messages.begin(); it != m_messages.end();) {
        Message &message = **it;
        if (isExpired(message, now)) {
            count(message, -1);
            expired.push_back(std::move(*it));
            it = m_messages.erase(it);
            continue;
        }
        if (message.type == "Ignore") {
            setAside.push_back(std::move(*it));
            it = m_messages.erase(it);
            continue;
        }
        if ((serial != -1 && int64_t(message.serialNumber) != serial) ||
            (!skipTargets.isEmpty() && skipTargets.contains(message.target)) ||
            (accept && !(*accept)(message))) {
            ++it; // stays where it is, so the order of the rest is kept
            continue;
        }
        count(message, -1);
        picked = std::move(*it);
        m_messages.erase(it);
        break;
    }
    for (auto &watcher : setAside)
        m_messages.push_back(std::move(watcher));
    if (picked)
        forward("picked", *picked);
    return picked;
}

void MessageQueue::expireAll()
{
    std::vector<std::unique_ptr<Message>> expired;
    {
        ObjectLock lock(*this);
        const int64_t now = Clock::nowSeconds();
        for (size_t i = m_messages.size(); i-- > 0;) {
            if (!isExpired(*m_messages[i], now))
                continue;
            count(*m_messages[i], -1);
            expired.push_back(std::move(m_messages[i]));
            m_messages.erase(m_messages.begin() + qsizetype(i));
        }
    }
    answerExpired(expired);
}

void MessageQueue::answerExpired(std::vector<std::unique_ptr<Message>> &expired)
{
    // Answered outside the queue's lock: a response may be delivered into another queue whose
    // owner waits for this one.
    for (auto &message : expired)
        expire(*message, "timed out");
}

void MessageQueue::removeWatcher(uint32_t serial)
{
    ObjectLock lock(*this);
    std::erase_if(m_messages, [serial](const std::unique_ptr<Message> &message) {
        return message->type == "Ignore" && message->serialNumber == serial &&
               message->requests("Timeout");
    });
}

void MessageQueue::requeue(std::unique_ptr<Message> message)
{
    putBack(std::move(message), false);
}

std::unique_ptr<Message> MessageQueue::pickFor(const QByteArray &target)
{
    ObjectLock lock(*this);
    if (!m_targetCounts.count(target))
        return nullptr;
    const int64_t now = Clock::nowSeconds();
    for (auto it = m_messages.begin(); it != m_messages.end(); ++it) {
        Message &message = **it;
        if (message.type == "Ignore" || message.target != target)
            continue;
        if (isExpired(message, now))
            return nullptr; // left for the expiry pass, which answers it
        count(message, -1);
        std::unique_ptr<Message> picked = std::move(*it);
        m_messages.erase(it);
        return picked;
    }
    return nullptr;
}

void MessageQueue::restoreFront(std::unique_ptr<Message> message)
{
    if (!message)
        return;
    ObjectLock lock(*this);
    count(*message, 1);
    m_messages.push_front(std::move(message));
}

void MessageQueue::requeueFront(std::unique_ptr<Message> message)
{
    putBack(std::move(message), true);
}

void MessageQueue::putBack(std::unique_ptr<Message> message, bool front)
{
    if (!message)
        return;
    ObjectLock lock(*this);
    const int64_t now = Clock::nowSeconds();
    if (!message->hasHeader("QUEUESTAMP"))
        message->setHeader("QUEUESTAMP", message->timestamp);
    const int64_t stamp = message->header("QUEUESTAMP").trimmed().toLongLong();
    if (now < stamp + kRequeueWindow) {
        message->timestamp = now;
    } else {
        message->timestamp = stamp;
        if (message->timeout == 0)
            message->timeout = 1;
        else if (message->timeout >= kRequeueWindow)
            message->timeout = kRequeueWindow - 1;
    }
    forward("requeued", *message);
    count(*message, 1);
    if (front)
        m_messages.push_front(std::move(message));
    else
        m_messages.push_back(std::move(message));
}

bool MessageQueue::holdsMessageFor(const QByteArray &target) const
{
    ObjectLock lock(*this);
    return m_targetCounts.count(target) != 0;
}

QByteArrayList MessageQueue::targets(int limit) const
{
    ObjectLock lock(*this);
    QByteArrayList list;
    for (const auto &[target, messages] : m_targetCounts) {
        if (list.size() >= limit)
            break;
        list.append(target);
    }
    return list;
}

std::vector<Message> MessageQueue::snapshot() const
{
    ObjectLock lock(*this);
    std::vector<Message> copies;
    copies.reserve(m_messages.size());
    for (const auto &message : m_messages)
        copies.push_back(*message);
    return copies;
}

} // namespace KnObjects::CrosswireData
