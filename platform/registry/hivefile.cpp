#include "platform/registry/hivefile.h"

#include "platform/folders/folders.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/registrylog.h"
#include "platform/registry/regwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};

std::optional<FileStamp> stampOf(const QString &fileName)
{
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

struct CacheEntry
{
    FileStamp stamp;
    std::shared_ptr<const Hive> hive;
};

constexpr int MaxCachedHives = 16;

QMutex cacheMutex;
QHash<QString, CacheEntry> cache;
QSet<QString> reported;

RegError errorOf(QFileDevice::FileError error, int errnoValue)
{
    if (errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS ||
        error == QFileDevice::PermissionsError)
        return ERROR_ACCESS_DENIED;
    return ERROR_CANTREAD;
}

// Reads and parses the file; nullptr with the error when it cannot be read or is too large.
std::unique_ptr<Hive> parseFile(const QString &fileName, RegRoot root, RegError &error)
{
    error = ERROR_SUCCESS;
    QFile file(fileName);
    if (!file.exists())
        return std::make_unique<Hive>(root);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        error = errorOf(file.error(), errno);
        return nullptr;
    }
    const QByteArray bytes = file.read(RegDocument::MaxFileSize + 1);
    const RegDocument doc = RegDocument::parse(bytes);
    HiveFile::reportIssues(fileName, doc);
    if (doc.tooLarge()) {
        error = ERROR_BADDB;
        return nullptr;
    }
    auto hive = std::make_unique<Hive>(root);
    hive->apply(doc, true);
    return hive;
}

} // namespace

QString HiveFile::path(RegRoot root)
{
    switch (root) {
    case RegRoot::CurrentUser:
        return Folders::userConfigHome() + QStringLiteral("/tessaly/registry/user.reg");
    case RegRoot::LocalMachine:
        return Folders::machineRoot() + QStringLiteral("/registry/machine.reg");
    case RegRoot::ClassesRoot:
        return Folders::machineRoot() + QStringLiteral("/registry/classes.reg");
    }
    return {};
}

std::optional<RegRoot> HiveFile::rootOfFile(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    if (name == QLatin1String("user.reg"))
        return RegRoot::CurrentUser;
    if (name == QLatin1String("machine.reg"))
        return RegRoot::LocalMachine;
    if (name == QLatin1String("classes.reg"))
        return RegRoot::ClassesRoot;
    return std::nullopt;
}

HiveFile::Loaded HiveFile::load(RegRoot root)
{
    return loadFile(path(root), root);
}

HiveFile::Loaded HiveFile::loadFile(const QString &fileName, RegRoot root)
{
    const auto stamp = stampOf(fileName);
    if (!stamp)
        return {std::make_shared<const Hive>(root), ERROR_SUCCESS};
    {
        const QMutexLocker locker(&cacheMutex);
        const auto it = cache.constFind(fileName);
        if (it != cache.cend() && it->stamp == *stamp && it->hive->root() == root)
            return {it->hive, ERROR_SUCCESS};
    }
    RegError error = ERROR_SUCCESS;
    std::shared_ptr<const Hive> hive = parseFile(fileName, root, error);
    if (!hive)
        return {std::make_shared<const Hive>(root), error};
    // The file may have been replaced while it was read; then the entry is simply not reused.
    const QMutexLocker locker(&cacheMutex);
    if (cache.size() >= MaxCachedHives)
        cache.clear();
    cache.insert(fileName, {*stamp, hive});
    return {hive, ERROR_SUCCESS};
}

void HiveFile::reportIssues(const QString &fileName, const RegDocument &doc)
{
    if (doc.issues().empty())
        return;
    QString key = fileName;
    for (const RegDocument::Issue &issue : doc.issues())
        key += QLatin1Char('|') + QString::number(issue.line) + issue.message;
    {
        const QMutexLocker locker(&cacheMutex);
        if (reported.contains(key))
            return;
        reported.insert(key);
    }
    const RegDocument::Issue &first = doc.issues().front();
    if (doc.tooLarge()) {
        qCWarning(lcRegistry, "%ls: not loaded: %ls", qUtf16Printable(fileName),
                  qUtf16Printable(first.message));
        return;
    }
    qCWarning(lcRegistry, "%ls: %d line(s) could not be read and are kept unchanged (line %d: %ls)",
              qUtf16Printable(fileName), int(doc.issues().size()), first.line,
              qUtf16Printable(first.message));
}

bool HiveFile::isWritable(RegRoot root)
{
    return isWritableFile(path(root));
}

bool HiveFile::isWritableFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    // The replacement file and the lock file are made in the hive's folder.
    QString dir = info.absolutePath();
    while (!QFileInfo::exists(dir)) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (parent == dir)
            return false;
        dir = parent;
    }
    if (::access(QFile::encodeName(dir).constData(), W_OK | X_OK) != 0)
        return false;
    return !info.exists() || ::access(QFile::encodeName(fileName).constData(), W_OK) == 0;
}

std::unique_ptr<Hive> HiveFile::readForUpdate(const QString &fileName, RegRoot root,
                                              RegError &error)
{
    return parseFile(fileName, root, error);
}

bool HiveFile::writeReplacement(QFileDevice &device, const QByteArray &bytes,
                                const QString &fileName)
{
    if (device.write(bytes) != bytes.size() || !device.flush())
        return false;
    const auto previous = stampOf(fileName);
    struct stat now;
    if (!previous || ::fstat(device.handle(), &now) != 0)
        return true;
    // QSettings compares modification times in milliseconds.
    const qint64 previousMs = previous->mtimeNs / 1000000;
    const qint64 nowMs = (qint64(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec) / 1000000;
    if (nowMs > previousMs)
        return true;
    const qint64 wantedNs = (previousMs + 1) * 1000000;
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {wantedNs / 1000000000, wantedNs % 1000000000}};
    return ::futimens(device.handle(), times) == 0;
}

RegError HiveFile::modify(RegRoot root, const Change &change)
{
    return modifyFile(path(root), root, change);
}

RegError HiveFile::modifyFile(const QString &fileName, RegRoot root, const Change &change)
{
    const QFileInfo info(fileName);
    if (!isWritableFile(fileName) || !QDir().mkpath(info.absolutePath()))
        return ERROR_ACCESS_DENIED;
    QLockFile lock(lockFileName(fileName));
    if (!lock.tryLock(LockTimeoutMs)) {
        qCWarning(lcRegistry, "%ls: could not take the lock", qUtf16Printable(fileName));
        return lock.error() == QLockFile::PermissionError ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
    }
    RegError error = ERROR_SUCCESS;
    const std::unique_ptr<Hive> hive = readForUpdate(fileName, root, error);
    if (!hive)
        return error;
    bool changed = false;
    const RegError result = change(*hive, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    const QByteArray bytes = RegWriter::hiveFile(*hive);
    if (bytes.size() > RegDocument::MaxFileSize) {
        qCWarning(lcRegistry, "%ls: not written: the hive would exceed %lld bytes",
                  qUtf16Printable(fileName), qlonglong(RegDocument::MaxFileSize));
        return ERROR_CANTWRITE;
    }
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return out.error() == QFileDevice::PermissionsError ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
    if (!writeReplacement(out, bytes, fileName) || !out.commit()) {
        out.cancelWriting();
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}
