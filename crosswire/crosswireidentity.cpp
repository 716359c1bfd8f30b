#include "crosswire/crosswireidentity.h"

#include "platform/crypto/crypto.h"
#include "platform/mailslot/mailslot.h"
#include "platform/registry/regkey.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace KnObjects {

namespace {

const QString kKeyPath = QStringLiteral("Software\\Tessaly\\IAC");
constexpr int kRandomBytes = 16;
constexpr qsizetype kMaxCachedLength = 40;

std::mutex cacheMutex;
QByteArray cachedUserId;
QByteArray cachedDigestKey;

// Serialises the making of a value between the user's processes, so two first starts cannot
// store different keys and reject each other's messages.
class UserLock
{
public:
    UserLock()
    {
        const QString root = Mailslot::rootFolder();
        if (root.isEmpty())
            return;
        const QByteArray path =
            QFile::encodeName(QFileInfo(root).path() + QStringLiteral("/iac.lock"));
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~UserLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UserLock(const UserLock &) = delete;
    UserLock &operator=(const UserLock &) = delete;

private:
    int m_fd = -1;
};

QByteArray readValue(const QString &name)
{
    reg_key_cu_t key(kKeyPath, KEY_READ);
    QString value;
    if (key.isOpen() && key.queryString(name, value))
        return value.toLatin1();
    return {};
}

QByteArray readOrMake(const QString &name)
{
    QByteArray value = readValue(name);
    if (!value.isEmpty())
        return value;
    UserLock lock;
    value = readValue(name); // another process may have been first
    if (!value.isEmpty())
        return value;
    value = Crypto::toUnpaddedHex(Crypto::randomBytes(kRandomBytes));
    reg_key_cu_t key(kKeyPath, KEY_ALL_ACCESS);
    if (key.isOpen())
        key.setString(name, QString::fromLatin1(value));
    return value;
}

QByteArray cached(QByteArray &slot, const QString &name)
{
    std::lock_guard guard(cacheMutex);
    if (!slot.isEmpty())
        return slot;
    const QByteArray value = readOrMake(name);
    if (!value.isEmpty() && value.size() <= kMaxCachedLength)
        slot = value;
    return value;
}

} // namespace

QByteArray CrosswireIdentity::userId()
{
    return cached(cachedUserId, QStringLiteral("UserID"));
}

QByteArray CrosswireIdentity::digestKey()
{
    userId(); // made first, as peers expect
    return cached(cachedDigestKey, QStringLiteral("MD5ID"));
}

void CrosswireIdentity::clearCache()
{
    std::lock_guard guard(cacheMutex);
    cachedUserId.clear();
    cachedDigestKey.clear();
}

} // namespace KnObjects
