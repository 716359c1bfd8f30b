#pragma once

#include <QMutex>
#include <QSet>

#include <atomic>
#include <cstdint>

class QNetworkReply;

// Lets one thread make the downloads running on others fail at once. A fetch takes a ticket
// when it starts; cancel() turns every ticket taken before it stale and aborts the network
// replies registered at that moment. A fetch registering after the cancel sees its stale
// ticket and stops by itself, so no download slips between the two.
class DownloadCanceller
{
public:
    uint64_t ticket() const { return m_generation.load(std::memory_order_acquire); }
    bool isCancelled(uint64_t ticket) const { return this->ticket() != ticket; }

    void cancel();

    // The reply must be unregistered before it is deleted.
    void registerReply(QNetworkReply *reply);
    void unregisterReply(QNetworkReply *reply);

private:
    std::atomic<uint64_t> m_generation{0};
    QMutex m_lock;
    QSet<QNetworkReply *> m_replies;
};
