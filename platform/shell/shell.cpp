#include "platform/shell/shell.h"

#include <QDesktopServices>
#include <QProcess>

bool Shell::openUrl(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
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
