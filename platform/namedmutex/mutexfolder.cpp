#include "platform/namedmutex/mutexfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Well below NAME_MAX (255) so the suffix and a hash always fit.
constexpr qsizetype maxEncodedLength = 160;

bool isPlainByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

MutexFolder::Opened failure(MutexFolder::Error error, const QString &path, const QString &why)
{
    MutexFolder::Opened result;
    result.path = path;
    result.error = error;
    result.message = path + QStringLiteral(": ") + why;
    return result;
}

} // namespace

QString MutexFolder::path()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    // A relative $XDG_RUNTIME_DIR is invalid and must be ignored.
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return QDir::cleanPath(runtime) + QStringLiteral("/tessaly");
    return QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/tessaly-") +
           QString::number(::getuid());
}

MutexFolder::Opened MutexFolder::open()
{
    const QString folder = path();
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
        return failure(Error::Unavailable, folder, errnoText());

    // O_NOFOLLOW: a symbolic link planted in the temporary folder must not redirect us.
    const int fd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return failure(errno == ELOOP || errno == ENOTDIR ? Error::Unsafe : Error::Unavailable,
                       folder, errnoText());
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const QString why = errnoText();
        ::close(fd);
        return failure(Error::Unavailable, folder, why);
    }
    QString unsafe;
    if (!S_ISDIR(st.st_mode))
        unsafe = QStringLiteral("not a directory");
    else if (st.st_uid != ::getuid())
        unsafe = QStringLiteral("owned by another user (uid %1)").arg(st.st_uid);
    else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        unsafe = QStringLiteral("writable by other users (mode %1)").arg(st.st_mode & 07777, 0, 8);
    if (!unsafe.isEmpty()) {
        ::close(fd);
        return failure(Error::Unsafe, folder, unsafe);
    }

    Opened result;
    result.fd = fd;
    result.path = folder;
    return result;
}

QByteArray MutexFolder::fileNameFor(const QString &name)
{
    // Plain characters stand for themselves and every other byte of the UTF-8 form becomes
    // "%XX" ('%' included), which keeps distinct names distinct. A leading '.' is encoded too,
    // so no name maps to "." or ".." or a hidden file.
    const QByteArray utf8 = name.toUtf8();
    QByteArray encoded;
    encoded.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (isPlainByte(c) && !(i == 0 && c == '.')) {
            encoded.append(c);
        } else {
            encoded.append('%');
            encoded.append(QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0'));
        }
    }
    // '~' never occurs in the encoding above, so a shortened name cannot equal a plain one.
    if (encoded.size() > maxEncodedLength) {
        const QByteArray hash = QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex();
        encoded = encoded.left(maxEncodedLength - hash.size() - 1) + '~' + hash;
    }
    return encoded + ".mutex";
}
