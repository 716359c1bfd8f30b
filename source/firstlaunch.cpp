#include "source/firstlaunch.h"

#include "platform/registry/ptsettings.h"
#include "platform/shell/shell.h"

const char *FirstLaunch::serviceUnit()
{
    return "tessaly-active-file-monitor-11.0.service";
}

bool FirstLaunch::runIfNeeded()
{
    PtSettingsLM settings(QStringLiteral("SOFTWARE\\Tessaly\\Orvana Organizer\\11.0\\FirstLaunch"));
    if (settings.contains(QStringLiteral("FirstLaunch")))
        return false;
    // Neither result is looked at: the service is a separate program, and a machine without it
    // must still start the launcher.
    const QString unit = QLatin1String(serviceUnit());
    Shell::runServiceControl({QStringLiteral("--user"), QStringLiteral("enable"), unit});
    Shell::runServiceControl({QStringLiteral("--user"), QStringLiteral("start"), unit});
    settings.setValue(QStringLiteral("FirstLaunch"), QString());
    settings.sync();
    return true;
}
