#include "platform/shell/shell.h"

#ifdef TESSALY_SHELL_DESKTOP_SERVICES
#include <QDesktopServices>
#endif
#include <QProcess>

bool Shell::openUrl(const QUrl &url)
{
    if (!url.isValid())
        return false;
#ifdef TESSALY_SHELL_DESKTOP_SERVICES
    return QDesktopServices::openUrl(url);
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
#endif
}

QString Shell::serviceControlProgram()
{
    const QString program = qEnvironmentVariable("TESSALY_SERVICE_CONTROL");
    return program.isEmpty() ? QStringLiteral("systemctl") : program;
}

bool Shell::runServiceControl(const QStringList &arguments)
{
    return QProcess::startDetached(serviceControlProgram(), arguments);
}
