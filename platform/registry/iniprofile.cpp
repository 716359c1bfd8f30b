#include "platform/registry/iniprofile.h"

#include "platform/registry/inidocument.h"
#include "platform/registry/registrylog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <optional>

namespace {

constexpr int LockTimeoutMs = 20000;

// The file's contents, an empty document when it is missing, nothing when it cannot be read
// or is too large (so it is never overwritten blind).
std::optional<IniDocument> load(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return IniDocument::parse({});
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcRegistry, "%ls: cannot read: %ls", qUtf16Printable(path),
                  qUtf16Printable(file.errorString()));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(IniDocument::MaxFileSize + 1);
    if (bytes.size() > IniDocument::MaxFileSize) {
        qCWarning(lcRegistry, "%ls: ignored: larger than %lld bytes", qUtf16Printable(path),
                  qlonglong(IniDocument::MaxFileSize));
        return std::nullopt;
    }
    return IniDocument::parse(bytes);
}

} // namespace

IniProfile::IniProfile(const QString &path)
    : m_path(path)
    , m_exists(QFileInfo::exists(path))
{
}

bool IniProfile::read(const QString &section, const QString &key, QString &value) const
{
    if (!m_exists)
        return false;
    const std::optional<IniDocument> doc = load(m_path);
    value = doc ? doc->value(section, key).value_or(QString()) : QString();
    value.truncate(ReadBufferSize - 1);
    return true;
}

bool IniProfile::write(const QString &section, const QString &key, const QString &value) const
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(LockTimeoutMs)) {
        qCWarning(lcRegistry, "%ls: could not take the lock", qUtf16Printable(m_path));
        return false;
    }
    std::optional<IniDocument> doc = load(m_path);
    if (!doc || !doc->setValue(section, key, value))
        return false;
    const QByteArray bytes = doc->serialize();
    if (bytes.size() > IniDocument::MaxFileSize)
        return false;
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return false;
    return out.commit();
}
