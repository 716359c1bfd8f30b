#include "components/pip/crashmarker.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr qint64 maxMarkerBytes = 4096;

bool isRunning(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

CrashMarker::CrashMarker(const QString &folder)
    : m_path(folder + QStringLiteral("/session.running"))
{
}

QByteArray CrashMarker::format(const Owner &owner)
{
    return "pid=" + QByteArray::number(owner.pid) + "\nstarted=" + owner.started.toUtf8() + '\n';
}

std::optional<CrashMarker::Owner> CrashMarker::parse(const QByteArray &text)
{
    Owner owner;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray name = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (name == "pid") {
            bool ok = false;
            const qint64 pid = value.toLongLong(&ok);
            if (ok && pid > 0 && pid <= 0x7fffffff)
                owner.pid = pid;
        } else if (name == "started") {
            owner.started = QString::fromUtf8(value.left(64));
        }
    }
    if (owner.pid <= 0)
        return std::nullopt;
    return owner;
}

std::optional<CrashMarker::Owner> CrashMarker::abandoned() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<Owner> owner = parse(file.read(maxMarkerBytes));
    if (!owner)
        return Owner{};
    if (owner->pid != ::getpid() && isRunning(owner->pid))
        return std::nullopt;
    return owner;
}

bool CrashMarker::place()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(format({::getpid(), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}));
    return file.commit();
}

void CrashMarker::remove()
{
    QFile::remove(m_path);
}
