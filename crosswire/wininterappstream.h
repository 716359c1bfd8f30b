#pragma once

#include "crosswire/baseinterappstream.h"

#include <QString>

#include <memory>

class Mailslot;
class MailslotWriter;

namespace KnObjects {

// The mailslot-backed stream: a receiving mailslot (when the stream was opened to receive) and a
// writer that keeps sockets to recent receivers. Writes never block.
class WinInterAppStream : public BaseInterAppStream
{
public:
    // Opens the receiving mailslot of `name` when `receive` is set; isOpen() tells whether it
    // could be made (false when another live process owns the name).
    WinInterAppStream(const QByteArray &name, const QByteArray &pathPrefix, bool legacy,
                      bool receive);
    ~WinInterAppStream() override;

    bool isOpen() const override;
    WriteResult write(const QByteArray &endpointName, const QByteArray &text) override;
    bool receive() override;
    bool isMessageWaiting() const override;
    bool canCreate(const QByteArray &endpointName) override;

    // True when a live process owns the mailslot of `endpointName`.
    bool isTaken(const QByteArray &endpointName) const;
    // The receiving socket (POLLIN when a datagram waits); -1 when not open.
    int receiveHandle() const;
    // A socket that polls writable once `endpointName` has room again; -1 when unknown.
    int writeWaitHandle(const QByteArray &endpointName) const;
    qint64 maxMessageSize() const;

private:
    // The mailslot name of `endpointName`; the last one is kept, as a sender mostly writes to
    // the same receiver.
    QString writeName(const QByteArray &endpointName);

    std::unique_ptr<Mailslot> m_mailslot; // the mailslot handle
    QByteArray m_lastEndpoint;
    QString m_lastMailslot;
    std::unique_ptr<MailslotWriter> m_writer;
};

} // namespace KnObjects
