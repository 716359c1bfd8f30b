#include "crosswire/baseinterappstream.h"

#include "crosswire/objectlock.h"

namespace KnObjects {

BaseInterAppStream::BaseInterAppStream(const QByteArray &name, const QByteArray &pathPrefix,
                                       bool legacy)
    : m_name(name)
    , m_pathPrefix(pathPrefix)
    , m_legacy(legacy)
{
}

BaseInterAppStream::~BaseInterAppStream() = default;

bool BaseInterAppStream::isEmpty() const
{
    ObjectLock lock(*this);
    return m_received.isEmpty();
}

QByteArray BaseInterAppStream::takeReceived()
{
    return takeReceivedMessages().join();
}

QByteArrayList BaseInterAppStream::takeReceivedMessages()
{
    ObjectLock lock(*this);
    QByteArrayList taken;
    taken.swap(m_received);
    m_receivedBytes = 0;
    return taken;
}

qsizetype BaseInterAppStream::receivedBytes() const
{
    ObjectLock lock(*this);
    return m_receivedBytes;
}

bool BaseInterAppStream::isReceiveBufferFull() const
{
    return receivedBytes() >= kMaxReceivedBytes;
}

void BaseInterAppStream::appendReceived(const QByteArray &datagram)
{
    ObjectLock lock(*this);
    m_received.append(datagram);
    m_receivedBytes += datagram.size();
}

QByteArray BaseInterAppStream::mailslotName(const QByteArray &endpointName) const
{
    // "/" separates folders of mailslots and "%" starts an escape, so both are escaped here and
    // every endpoint name keeps a mailslot of its own.
    QByteArray escaped;
    escaped.reserve(endpointName.size());
    for (const char c : endpointName) {
        if (c == '%')
            escaped += "%25";
        else if (c == '/')
            escaped += "%2F";
        else
            escaped += c;
    }
    return m_pathPrefix + escaped;
}

} // namespace KnObjects
