#include "source/subapplication.h"

#include "platform/registry/ptsettings.h"
#include "tessaly_version.h"

QString SubApplication::versionText()
{
    return QStringLiteral("%1.%2").arg(TESSALY_VERSION_MAJOR).arg(TESSALY_VERSION_MINOR);
}

QByteArray SubApplication::messagingTarget(Id id)
{
    const QByteArray name = id == Organizer ? "pxoorganizer-" : "pxoeditor-";
    return name + versionText().toLatin1();
}

QString SubApplication::folderKeyPath(Id id)
{
    if (id == Organizer)
        return QStringLiteral("Software\\Tessaly\\Orvana Organizer\\") + versionText() +
               QStringLiteral("\\ApplicationPath");
    return QStringLiteral("Software\\Tessaly\\") + QStringLiteral("Pixtrel Orvana") +
           QStringLiteral("\\") + versionText() + QStringLiteral("\\InstallPath");
}

QString SubApplication::installFolder(Id id)
{
    PtSettingsLM settings(folderKeyPath(id));
    return settings.value(QStringLiteral("Default"), QString()).toString();
}

QString SubApplication::executablePath(Id id)
{
    return installFolder(id) + (id == Organizer ? QStringLiteral("/PixtrelOrvanaOrganizer")
                                                : QStringLiteral("/PixtrelOrvanaEditor"));
}

QByteArray SubApplication::launchStateFunction(Id id)
{
    return id == Organizer ? "WSHostSetOrganizerLaunching" : "WSHostSetEditorLaunching";
}

QByteArray SubApplication::splashStatusFunction(Id id)
{
    return id == Organizer ? "WelcomeScreen_OrganizerSplashStatus"
                           : "WelcomeScreen_EditorSplashStatus";
}
