#pragma once

#include <QString>

class UsageLogClient;

// Usage logging of the launcher: when no machine policy forbids it, the usage-logging library
// (libTessalyPIP.so beside the launcher) is loaded at start-up and initialised with the
// product's identity; while the user has opted in, launch requests and the Welcome Screen's
// usage entries are recorded through the event recorder (libLogSession.so). Every failure
// (library missing, policy, opted out) leaves the launcher running without usage logging and
// shows nothing.
//
// The launcher passes start mode 2: the library is initialised at every start, records only
// while "OptIn" is 1, and can show its opt-in dialog to a user who never chose.
//
// All members are for the GUI thread; they are serialised all the same.
class UsageLogging
{
public:
    static constexpr int startMode = 2;

    // Launcher start-up: the first call starts usage logging, later ones do nothing.
    static void start();
    // Launcher shutdown: terminates and unloads the library; safe when nothing was loaded.
    static void stop();

    // Records a launch request in the launch-event group ("WS", "launchOrganizer").
    static void addToLaunchEventGroup(const QString &category, const QString &name);
    // Records one usage entry of the Welcome Screen: texts a (category), b (name) and c
    // (detail) and two integers (0 and 0 from the movie).
    static void logEvent(const QString &a, const QString &b, const QString &c, int m, int n);

    // The user's "OptIn" value for this product line; -1 when missing.
    static int optInState();
    // False only when the machine policy switches usage logging off.
    static bool policyAllows();

    // Shows the library's opt-in/out dialog and takes the new choice into account at once.
    // True when the user made a choice.
    static bool showOptInDialog();

    // The product line the identity names ("Orvana11").
    static QString productLineId();
    // The locale the library is told: "de_de" gives "de_DE".
    static QString usageLocale(const QString &localeCode);
    // "Help Improve Pixtrel Orvana And Motiva Orvana", through the dictionary.
    static QString productDisplayName();

    // State, for the launcher's diagnostics and the tests.
    static bool isStarted();
    static bool isOptedIn();
    static bool isLibraryLoaded();
    static bool isLibraryInitialized();
    // The library's file when loaded.
    static QString libraryFileName();

    // Where to look for the library first; empty (the default) is the launcher's own folder.
    // Takes effect at the next start.
    static void setLibraryFolder(const QString &folder);

private:
    static void ensureStarted();
    static void takeOptInDecision();
};
