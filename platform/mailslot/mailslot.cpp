#include "platform/mailslot/mailslot.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcMailslot, "tessaly.platform.mailslot", QtWarningMsg)

namespace {

constexpr mode_t kPrivateFolder = 0700;
// sun_path holds 108 bytes including the terminating NUL.
constexpr qsizetype kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// 64 bits of the name's MD5: unique enough for one user's endpoints, short enough to leave room
// for a readable head in deep runtime folders.
constexpr int kHashHexLength = 16;

// Makes `path` and its missing parents with mode 0700; the last folder must belong to us and
// admit nobody else.
bool makePrivateFolder(const QByteArray &path)
{
    QByteArray partial;
    for (const QByteArray &part : path.split('/')) {
        if (part.isEmpty()) {
            if (partial.isEmpty())
                partial = "/";
            continue;
        }
        if (!partial.endsWith('/'))
            partial += '/';
        partial += part;
        if (::mkdir(partial.constData(), kPrivateFolder) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info
    {
    };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & 0077) != 0 && ::chmod(path.constData(), kPrivateFolder) != 0)
        return false;
    return true;
}

QString runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    // Without a session runtime folder, a private folder of our own below the temporary one.
    return QDir::tempPath() + QStringLiteral("/tessaly-runtime-") + QString::number(::geteuid());
}

// A name component as a file name: "/" separates folders, so it cannot occur inside one; a
// leading "." would hide the file and could clash with the lock files.
QString escapeComponent(const QString &component)
{
    QString out;
    for (qsizetype i = 0; i < component.size(); ++i) {
        const QChar c = component.at(i);
        if (c == QLatin1Char('%') || c.unicode() < 0x20 || (i == 0 && c == QLatin1Char('.')))
            out += QLatin1Char('%') +
                   QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

struct Location
{
    QByteArray folder;
    QByteArray socket;
    QByteArray lock;
};

std::optional<Location> locate(const QString &name, bool makeFolders)
{
    if (name.isEmpty())
        return std::nullopt;
    QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String("..") || part == QLatin1String("."))
            return std::nullopt;
    }
    const QString root = Mailslot::rootFolder();
    if (root.isEmpty())
        return std::nullopt;
    const QString leaf = escapeComponent(parts.takeLast());
    QString folder = root;
    for (const QString &part : parts)
        folder += QLatin1Char('/') + escapeComponent(part);
    Location location;
    location.folder = QFile::encodeName(folder);
    if (makeFolders && !makePrivateFolder(location.folder))
        return std::nullopt;
    QByteArray file = QFile::encodeName(leaf);
    const qsizetype room = kMaxSocketPath - location.folder.size() - 1;
    if (file.size() > room) {
        // Too long for a socket path: keep a readable head and make it unique with a hash of
        // the whole name.
        const qsizetype head = room - kHashHexLength - 1;
        if (head < 0)
            return std::nullopt;
        const QByteArray hash =
            QCryptographicHash::hash(file, QCryptographicHash::Md5).toHex().left(kHashHexLength);
        QByteArray cut = file.left(head);
        // Never split a UTF-8 sequence.
        while (!cut.isEmpty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80)
            cut.chop(1);
        if (!cut.isEmpty() && (static_cast<unsigned char>(cut.back()) & 0x80))
            cut.chop(1);
        file = cut + '~' + hash;
    }
    location.socket = location.folder + '/' + file;
    location.lock = location.folder + "/." + file + ".lock";
    return location;
}

// Takes the lock file of a name; -1 when another live process holds it.
int takeLock(const QByteArray &lockPath, bool *taken)
{
    *taken = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            *taken = errno == EWOULDBLOCK;
            return -1;
        }
        // The previous owner removes its lock file on close; a lock on a file that is no longer
        // the one at the path would let two owners in, so check and start over.
        struct stat held
        {
        }, current{};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.constData(), &current) == 0 &&
            held.st_dev == current.st_dev && held.st_ino == current.st_ino)
            return fd;
        ::close(fd);
    }
    return -1;
}

// The largest datagram a sender of this system can make: the kernel grants a send buffer of up
// to twice net.core.wmem_max, and a datagram must fit it.
size_t largestDatagram()
{
    static const size_t largest = [] {
        constexpr size_t kFallback = 8 * 1024 * 1024;
        // Nothing this library reads is longer than a message text may be.
        constexpr size_t kCeiling = 64 * 1024 * 1024 + 4096;
        const int fd = ::open("/proc/sys/net/core/wmem_max", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return kFallback;
        char text[32] = {};
        const ssize_t n = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        const unsigned long long wmemMax = n > 0 ? std::strtoull(text, nullptr, 10) : 0;
        if (wmemMax == 0)
            return kFallback;
        return std::clamp<size_t>(size_t(2 * wmemMax), 256 * 1024, kCeiling);
    }();
    return largest;
}

// Where datagrams are received, so that each takes one system call instead of asking its size
// first. The area is reserved for the largest datagram but holds memory only where a datagram
// was written, and what a large one used beyond the first pages is given back.
class ReceiveArea
{
public:
    ReceiveArea() = default;
    ~ReceiveArea()
    {
        if (m_data)
            ::munmap(m_data, m_size);
    }
    ReceiveArea(const ReceiveArea &) = delete;
    ReceiveArea &operator=(const ReceiveArea &) = delete;

    bool reserve()
    {
        if (m_data)
            return true;
        const size_t size = largestDatagram();
        void *area = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (area == MAP_FAILED)
            return false;
        m_data = static_cast<char *>(area);
        m_size = size;
        return true;
    }
    char *data() const { return m_data; }
    size_t size() const { return m_size; }
    void releaseAfter(size_t used)
    {
        if (used > kKeptBytes)
            ::madvise(m_data + kKeptBytes, std::min(used, m_size) - kKeptBytes, MADV_DONTNEED);
    }

private:
    static constexpr size_t kKeptBytes = 64 * 1024; // a page multiple
    char *m_data = nullptr;
    size_t m_size = 0;
};

} // namespace

struct Mailslot::Private
{
    ReceiveArea area;
    QString name;
    Location location;
    int socket = -1;
    int lock = -1;
    // The user the mailslot belongs to (its folders are that user's); datagrams of anyone else
    // are dropped.
    uid_t owner = 0;
};

Mailslot::Mailslot()
    : d(std::make_unique<Private>())
{
}

Mailslot::~Mailslot()
{
    if (d->socket >= 0) {
        ::unlink(d->location.socket.constData());
        ::close(d->socket);
    }
    if (d->lock >= 0) {
        // Removed while still held, so a waiting creator sees a fresh file (see takeLock).
        ::unlink(d->location.lock.constData());
        ::close(d->lock);
    }
}

QString Mailslot::rootFolder()
{
    const QString runtime = runtimeFolder();
    const QString root = runtime + QStringLiteral("/tessaly/mailslots");
    if (!makePrivateFolder(QFile::encodeName(root)))
        return {};
    return root;
}

QString Mailslot::pathFor(const QString &name)
{
    const auto location = locate(name, false);
    return location ? QFile::decodeName(location->socket) : QString();
}

Mailslot::OpenResult Mailslot::create(const QString &name)
{
    OpenResult result;
    errno = 0;
    const auto location = locate(name, true);
    if (!location) {
        result.status = Status::InvalidName;
        result.error = QStringLiteral("invalid mailslot name or unusable folder: ") + name +
                       QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(errno)) +
                       QLatin1Char(')');
        return result;
    }
    bool taken = false;
    const int lock = takeLock(location->lock, &taken);
    if (lock < 0) {
        result.status = taken ? Status::Taken : Status::Failed;
        result.error = taken ? QStringLiteral("mailslot is taken: ") + name
                             : QStringLiteral("cannot lock mailslot: ") +
                                   QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    std::unique_ptr<Mailslot> mailslot(new Mailslot);
    mailslot->d->name = name;
    mailslot->d->location = *location;
    mailslot->d->lock = lock;
    mailslot->d->owner = ::geteuid();

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    mailslot->d->socket = fd;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
    // A stale socket of a crashed owner: we hold the lock, so nobody else uses it.
    ::unlink(location->socket.constData());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, location->socket.constData(), location->socket.size());
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        result.error =
            QStringLiteral("cannot bind mailslot: ") + QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        mailslot->d->socket = -1;
        return result;
    }
    ::chmod(location->socket.constData(), 0600);
    result.mailslot = std::move(mailslot);
    result.status = Status::Opened;
    return result;
}

bool Mailslot::isTaken(const QString &name)
{
    const auto location = locate(name, false);
    if (!location)
        return false;
    const int fd = ::open(location->lock.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool taken = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return taken;
}

QString Mailslot::name() const
{
    return d->name;
}

QString Mailslot::path() const
{
    return QFile::decodeName(d->location.socket);
}

int Mailslot::fd() const
{
    return d->socket;
}

std::optional<qint64> Mailslot::nextMessageSize() const
{
    char probe = 0;
    const ssize_t size = ::recv(d->socket, &probe, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
    if (size < 0)
        return std::nullopt;
    return qint64(size);
}

Mailslot::ReadResult Mailslot::read()
{
    ReadResult result;
    // Without the area (no address space left) the size is asked first, as exact room.
    QByteArray exact;
    std::optional<qint64> size;
    if (!d->area.reserve()) {
        size = nextMessageSize();
        if (!size)
            return result;
        exact.resize(qMax<qint64>(*size, 1));
    }
    iovec vector =
        size ? iovec{exact.data(), size_t(exact.size())} : iovec{d->area.data(), d->area.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))] = {};
    msghdr header{};
    header.msg_iov = &vector;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(d->socket, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (got < 0) {
        result.data.clear();
        result.status = errno == EAGAIN ? ReadStatus::Empty : ReadStatus::Failed;
        return result;
    }
    std::optional<uid_t> sender;
    for (cmsghdr *c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
            c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
            ucred credentials{};
            std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
            sender = credentials.uid;
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            // Nobody passes descriptors to a mailslot; never keep one open.
            const auto count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (size_t i = 0; i < count; ++i) {
                int passed = -1;
                std::memcpy(&passed, CMSG_DATA(c) + i * sizeof(int), sizeof passed);
                ::close(passed);
            }
        }
    }
    // What a large datagram used is given back once its bytes are copied out (or dropped).
    struct Release
    {
        ReceiveArea *area;
        size_t used;
        ~Release()
        {
            if (area)
                area->releaseAfter(used);
        }
    } release{size ? nullptr : &d->area, size_t(got)};
    if (!sender || *sender != d->owner) {
        qCWarning(lcMailslot) << "dropped a datagram from another user on" << d->name << "uid"
                              << (sender ? qint64(*sender) : qint64(-1));
        result.status = ReadStatus::Dropped;
        return result;
    }
    if ((header.msg_flags & MSG_TRUNC) || (size && got != *size)) {
        // A short read loses the message rather than delivering part of it.
        result.status = ReadStatus::Failed;
        return result;
    }
    if (size) {
        exact.resize(got);
        result.data = std::move(exact);
    } else {
        result.data = QByteArray(d->area.data(), qsizetype(got));
    }
    result.status = ReadStatus::Message;
    return result;
}
