#include "platform/mailslot/mailslotwriter.h"

#include "platform/mailslot/mailslot.h"

#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>
#include <list>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcMailslot)

namespace {

// Sockets to recent receivers kept open; more receivers than this reconnect on use.
constexpr size_t kMaxConnections = 32;
// Asked of the kernel so large messages fit one datagram; it grants up to net.core.wmem_max.
constexpr int kWantedSendBuffer = 4 * 1024 * 1024;

int sendBufferOf(int fd)
{
    int size = 0;
    socklen_t length = sizeof size;
    if (::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0)
        return 0;
    return size;
}

int makeSocket()
{
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0)
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kWantedSendBuffer, sizeof kWantedSendBuffer);
    return fd;
}

} // namespace

struct MailslotWriter::Private
{
    struct Connection
    {
        QString name;
        int fd = -1;
    };
    std::list<Connection> connections; // most recently used first
    qint64 maxSize = 0;

    std::list<Connection>::iterator find(const QString &name)
    {
        for (auto it = connections.begin(); it != connections.end(); ++it) {
            if (it->name == name)
                return it;
        }
        return connections.end();
    }

    void drop(std::list<Connection>::iterator it)
    {
        ::close(it->fd);
        connections.erase(it);
    }

    // Connects to the receiver `name`; -1 with errno set when it does not exist.
    int connectTo(const QString &name)
    {
        const QByteArray path = QFile::encodeName(Mailslot::pathFor(name));
        if (path.isEmpty()) {
            errno = EINVAL;
            return -1;
        }
        const int fd = makeSocket();
        if (fd < 0)
            return -1;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        connections.push_front({name, fd});
        while (connections.size() > kMaxConnections)
            drop(std::prev(connections.end()));
        return fd;
    }
};

MailslotWriter::MailslotWriter()
    : d(std::make_unique<Private>())
{
    const int fd = makeSocket();
    // The kernel reports twice the usable size; keep room for its own bookkeeping.
    d->maxSize = fd >= 0 ? qMax(0, sendBufferOf(fd) / 2 - 1024) : 0;
    if (fd >= 0)
        ::close(fd);
}

MailslotWriter::~MailslotWriter()
{
    reset();
}

void MailslotWriter::reset()
{
    while (!d->connections.empty())
        d->drop(d->connections.begin());
}

qint64 MailslotWriter::maxMessageSize() const
{
    return d->maxSize;
}

int MailslotWriter::waitHandle(const QString &name) const
{
    const auto it = d->find(name);
    return it == d->connections.end() ? -1 : it->fd;
}

MailslotWriter::Result MailslotWriter::write(const QString &name, const QByteArray &data)
{
    if (data.size() > d->maxSize)
        return Result::TooLarge;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto it = d->find(name);
        int fd = -1;
        if (it != d->connections.end()) {
            fd = it->fd;
            if (it != d->connections.begin())
                d->connections.splice(d->connections.begin(), d->connections, it);
        } else {
            fd = d->connectTo(name);
            if (fd < 0) {
                return (errno == ENOENT || errno == ECONNREFUSED || errno == EINVAL)
                           ? Result::NoReceiver
                           : Result::Failed;
            }
        }
        const ssize_t sent =
            ::send(fd, data.constData(), size_t(data.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent == data.size())
            return Result::Written;
        if (sent >= 0)
            return Result::Failed; // datagrams are never cut; a short send is a fault
        switch (errno) {
        case EAGAIN:
            return Result::Full;
        case EMSGSIZE:
            return Result::TooLarge;
        case ECONNREFUSED:
        case ECONNRESET:
        case ENOTCONN:
        case EPIPE:
            // The receiver we were connected to is gone; a new owner may be at the path.
            d->drop(d->find(name));
            continue;
        default:
            qCWarning(lcMailslot) << "write to" << name << "failed:" << std::strerror(errno);
            return Result::Failed;
        }
    }
    return Result::NoReceiver;
}

const char *MailslotWriter::resultName(Result result)
{
    switch (result) {
    case Result::Written:
        return "written";
    case Result::NoReceiver:
        return "no receiver";
    case Result::Full:
        return "receiver full";
    case Result::TooLarge:
        return "too large";
    case Result::Failed:
        break;
    }
    return "failed";
}
