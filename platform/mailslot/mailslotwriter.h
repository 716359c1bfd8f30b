#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Sends datagrams to mailslots (see Mailslot). A write never blocks: a receiver whose queue is
// full makes the write fail with Full, and the caller retries later (waitHandle() tells when the
// receiver has room again). Sockets connected to recent receivers are kept, so a write costs one
// system call; a receiver that went away and came back is reconnected once.
//
// Not thread-safe: each owner serialises its own calls.
class MailslotWriter
{
public:
    enum class Result { Written, NoReceiver, Full, TooLarge, Failed };

    MailslotWriter();
    ~MailslotWriter();
    MailslotWriter(const MailslotWriter &) = delete;
    MailslotWriter &operator=(const MailslotWriter &) = delete;

    // Writes `data` as one datagram to the mailslot `name`.
    Result write(const QString &name, const QByteArray &data);
    // A socket connected to the receiver `name` that polls writable (POLLOUT) once the receiver
    // has room; -1 when none is connected.
    int waitHandle(const QString &name) const;
    // The largest datagram this writer can send (raised as far as the system allows).
    qint64 maxMessageSize() const;
    // Forgets the connected sockets.
    void reset();

    static const char *resultName(Result result);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};
