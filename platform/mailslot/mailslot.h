#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// The receiving end of a per-user mailslot: a Unix datagram socket at
// $XDG_RUNTIME_DIR/tessaly/mailslots/<name>, where a name may hold "/"-separated folders (the
// messaging library uses "<user id>/<endpoint>"). Every folder is made with mode 0700, so no other
// user can connect. A companion lock file held with flock marks the name as taken for as long as
// the owner lives; a socket file left behind by a crashed owner is replaced by the next one.
//
// One datagram is one message: messages are never cut or merged. A datagram whose sender is
// another user (checked with the kernel's credentials) is dropped.
class Mailslot
{
public:
    enum class Status { Opened, Taken, InvalidName, Failed };
    struct OpenResult
    {
        std::unique_ptr<Mailslot> mailslot;
        Status status = Status::Failed;
        QString error;
    };
    enum class ReadStatus { Message, Empty, Dropped, Failed };
    struct ReadResult
    {
        ReadStatus status = ReadStatus::Empty;
        QByteArray data;
    };

    ~Mailslot();
    Mailslot(const Mailslot &) = delete;
    Mailslot &operator=(const Mailslot &) = delete;

    // Creates the mailslot `name`; Taken when a live owner holds it.
    static OpenResult create(const QString &name);
    // True when a live process owns the mailslot `name`.
    static bool isTaken(const QString &name);

    // The folder holding every mailslot of this user ($XDG_RUNTIME_DIR/tessaly/mailslots), made
    // on demand; empty when it cannot be made safely.
    static QString rootFolder();
    // The socket path of `name` (shortened with a hash when a socket path cannot hold it);
    // empty for an invalid name.
    static QString pathFor(const QString &name);

    QString name() const;
    QString path() const;
    // The socket, for waiting until a datagram arrives (POLLIN).
    int fd() const;

    // Size of the next waiting datagram, nothing when none waits.
    std::optional<qint64> nextMessageSize() const;
    // Takes the next datagram without waiting.
    ReadResult read();

private:
    Mailslot();
    struct Private;
    std::unique_ptr<Private> const d;
};
