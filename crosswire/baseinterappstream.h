#pragma once

#include "crosswire/solockable.h"

#include <QByteArray>
#include <QByteArrayList>

namespace KnObjects {

// One messaging endpoint's transport: it owns the endpoint's receiving mailslot and writes
// message texts into other endpoints' mailslots. Received datagrams are kept apart, one entry
// each, so a broken message can never swallow the one after it.
class BaseInterAppStream : public SoLockable
{
public:
    enum class WriteResult { Written, NoReceiver, Full, TooLarge, Failed };

    // The read buffer of the original transport; datagrams here are read whole.
    static constexpr int kReadBufferSize = 4096;
    // Received text kept before the stream stops reading (the senders then see a full receiver).
    static constexpr qsizetype kMaxReceivedBytes = 8 * 1024 * 1024;

    BaseInterAppStream(const QByteArray &name, const QByteArray &pathPrefix, bool legacy);
    virtual ~BaseInterAppStream();
    BaseInterAppStream(const BaseInterAppStream &) = delete;
    BaseInterAppStream &operator=(const BaseInterAppStream &) = delete;

    virtual bool isEmpty() const;
    // Returns the received text and empties it.
    virtual QByteArray takeReceived();
    virtual bool isOpen() const = 0;
    // Writes `text` whole into the mailslot of the endpoint `endpointName`.
    virtual WriteResult write(const QByteArray &endpointName, const QByteArray &text) = 0;
    // Reads one waiting mailslot message into the received text; false when none was read.
    virtual bool receive() = 0;
    virtual bool isMessageWaiting() const = 0;
    // True when no live process owns the endpoint `endpointName`.
    virtual bool canCreate(const QByteArray &endpointName) = 0;

    // The received datagrams, oldest first, and empties them.
    QByteArrayList takeReceivedMessages();
    qsizetype receivedBytes() const;
    bool isReceiveBufferFull() const;

    QByteArray name() const { return m_name; }
    QByteArray pathPrefix() const { return m_pathPrefix; }
    bool isLegacy() const { return m_legacy; }
    // The mailslot name of the endpoint `endpointName` for this stream's user and form.
    QByteArray mailslotName(const QByteArray &endpointName) const;

protected:
    void appendReceived(const QByteArray &datagram);

private:
    QByteArrayList m_received;
    qsizetype m_receivedBytes = 0;
    const QByteArray m_name;
    const QByteArray m_pathPrefix;
    const bool m_legacy;
};

} // namespace KnObjects
