#include "platform/folders/folders.h"

#include "tessaly_version.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString envPath(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    // XDG rules: a relative path is invalid and must be ignored.
    if (value.isEmpty() || QDir::isRelativePath(value))
        return {};
    return QDir::cleanPath(value);
}

QString homeRelative(const char *relative)
{
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + QLatin1String(relative));
}

} // namespace

QString Folders::machineRoot()
{
    const QString root = envPath("TESSALY_MACHINE_ROOT");
    return root.isEmpty() ? QStringLiteral(TESSALY_MACHINE_ROOT_DEFAULT) : root;
}

QString Folders::machineDataRoot()
{
    const QString root = envPath("TESSALY_MACHINE_ROOT");
    return root.isEmpty() ? QStringLiteral(TESSALY_MACHINE_DATA_DEFAULT)
                          : root + QStringLiteral("/data");
}

QString Folders::userConfigHome()
{
    const QString path = envPath("XDG_CONFIG_HOME");
    return path.isEmpty() ? homeRelative(".config") : path;
}

QString Folders::userDataHome()
{
    const QString path = envPath("XDG_DATA_HOME");
    return path.isEmpty() ? homeRelative(".local/share") : path;
}

QString Folders::commonAppData()
{
    const QString common = machineDataRoot();
    if (QDir().mkpath(common) && ::access(QFile::encodeName(common).constData(), W_OK) == 0)
        return common;
    return userAppData();
}

QString Folders::userAppData()
{
    const QString path = userDataHome();
    QDir().mkpath(path);
    return path;
}
