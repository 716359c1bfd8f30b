#include "components/pip/usagelogfile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString prefix = QStringLiteral("events-");
const QString suffix = QStringLiteral(".jsonl");

QString systemError(const QString &what, const QString &path)
{
    return what + QLatin1Char(' ') + path + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

UsageLogFile::UsageLogFile(const QString &folder)
    : m_folder(folder)
{
}

UsageLogFile::~UsageLogFile()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void UsageLogFile::setLimits(qint64 maxFileBytes, int maxFiles)
{
    m_maxFileBytes = std::max<qint64>(1, maxFileBytes);
    m_maxFiles = std::max(1, maxFiles);
}

QString UsageLogFile::fileName(qint64 sequence)
{
    return prefix + QString::number(sequence).rightJustified(6, QLatin1Char('0')) + suffix;
}

qint64 UsageLogFile::sequenceOf(const QString &fileName)
{
    if (!fileName.startsWith(prefix) || !fileName.endsWith(suffix))
        return -1;
    const QStringView digits = QStringView(fileName).sliced(
        prefix.size(), fileName.size() - prefix.size() - suffix.size());
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    const qint64 sequence = digits.toLongLong();
    return sequence > 0 ? sequence : -1;
}

QList<qint64> UsageLogFile::sequences() const
{
    QList<qint64> found;
    const QStringList names = QDir(m_folder).entryList({prefix + QLatin1Char('*') + suffix},
                                                       QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const qint64 sequence = sequenceOf(name);
        if (sequence > 0)
            found.append(sequence);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QStringList UsageLogFile::files() const
{
    QStringList paths;
    for (const qint64 sequence : sequences())
        paths.append(m_folder + QLatin1Char('/') + fileName(sequence));
    return paths;
}

bool UsageLogFile::ensureFolder()
{
    if (m_folderReady)
        return true;
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("cannot create the folder ") + m_folder;
        return false;
    }
    // What the user did in the product is nobody else's business.
    ::chmod(QFile::encodeName(m_folder).constData(), 0700);
    m_folderReady = true;
    return true;
}

bool UsageLogFile::lock()
{
    const QString path = m_folder + QStringLiteral("/.lock");
    if (m_lockFd < 0) {
        m_lockFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lockFd < 0) {
            m_error = systemError(QStringLiteral("cannot open"), path);
            return false;
        }
    }
    // flock belongs to the open file, so writers in one process exclude each other too as long
    // as each has its own UsageLogFile.
    while (::flock(m_lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_error = systemError(QStringLiteral("cannot lock"), path);
            return false;
        }
    }
    return true;
}

void UsageLogFile::unlock()
{
    ::flock(m_lockFd, LOCK_UN);
}

qint64 UsageLogFile::currentSequence()
{
    // The newest file is still the newest unless another writer started the next one (or the
    // folder was emptied); only then is the folder listed again.
    const auto exists = [this](qint64 sequence) {
        struct stat info
        {
        };
        return ::stat(
                   QFile::encodeName(m_folder + QLatin1Char('/') + fileName(sequence)).constData(),
                   &info) == 0;
    };
    if (m_sequence > 0 && exists(m_sequence) && !exists(m_sequence + 1))
        return m_sequence;
    const QList<qint64> present = sequences();
    m_sequence = present.isEmpty() ? 1 : present.last();
    return m_sequence;
}

bool UsageLogFile::append(const QByteArray &line)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_error.clear();
        m_folderGone = false;
        if (!ensureFolder() || !lock())
            return false;
        const bool written = appendLocked(line);
        unlock();
        if (written || !m_folderGone)
            return written;
        // The folder was removed under us, lock file and all: start over with a new folder and
        // a lock on the file other writers will find.
        ::close(m_lockFd);
        m_lockFd = -1;
        m_folderReady = false;
        m_sequence = 0;
    }
    return false;
}

bool UsageLogFile::appendLocked(const QByteArray &line)
{
    qint64 sequence = currentSequence();
    QString path = m_folder + QLatin1Char('/') + fileName(sequence);
    struct stat info
    {
    };
    const qint64 size = ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_size : 0;
    if (size > 0 && size + line.size() > m_maxFileBytes) {
        ++sequence;
        path = m_folder + QLatin1Char('/') + fileName(sequence);
        for (const qint64 old : sequences()) {
            if (old <= sequence - m_maxFiles)
                QFile::remove(m_folder + QLatin1Char('/') + fileName(old));
        }
        m_sequence = sequence;
    }

    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = systemError(QStringLiteral("cannot open"), path);
        m_folderGone = errno == ENOENT;
        return false;
    }
    struct stat before
    {
    };
    const bool known = ::fstat(fd, &before) == 0;
    const bool written = writeAll(fd, line.constData(), line.size());
    if (!written) {
        m_error = systemError(QStringLiteral("cannot write"), path);
        // A line cut short (a full disk) would spoil the file for every reader: take it back.
        if (known && ::ftruncate(fd, before.st_size) != 0)
            m_error += QStringLiteral(" (and the partial line stays)");
    }
    ::close(fd);
    return written;
}
