#pragma once

#include <QByteArray>
#include <QString>

// The two sub-applications the launcher opens, the Organizer and the Editor: their messaging
// names, where they are installed (the machine hive), their executables and the movie functions
// that show their launch state and start-up status on the Welcome Screen.
class SubApplication
{
public:
    enum Id { Organizer = 1, Editor = 2 };

    // "11.0": the major and minor numbers of the program's own version.
    static QString versionText();

    // "pxoorganizer-11.0", "pxoeditor-11.0".
    static QByteArray messagingTarget(Id id);
    // "Software\Tessaly\Orvana Organizer\11.0\ApplicationPath" and
    // "Software\Tessaly\Pixtrel Orvana\11.0\InstallPath" below HKEY_LOCAL_MACHINE.
    static QString folderKeyPath(Id id);
    // The unnamed value of that key; empty when it is missing.
    static QString installFolder(Id id);
    static QString organizerApplicationFolder() { return installFolder(Organizer); }
    static QString editorInstallFolder() { return installFolder(Editor); }
    // The folder + "/PixtrelOrvanaOrganizer" or "/PixtrelOrvanaEditor".
    static QString executablePath(Id id);

    // "WSHostSetOrganizerLaunching", "WSHostSetEditorLaunching".
    static QByteArray launchStateFunction(Id id);
    // "WelcomeScreen_OrganizerSplashStatus", "WelcomeScreen_EditorSplashStatus".
    static QByteArray splashStatusFunction(Id id);
};
