#pragma once

#include <QString>

// One launcher per user session: the instance check that brings a running launcher's window to
// the front, and the closing detection that tells a launcher tearing down from a hung one.
//
// Two named mutexes arbitrate between launchers: the instance mutex (named after the instance
// name), owned by a launcher from its start-up check until its process ends, and the closing
// mutex (the window caption + "_Closing"), owned from the end of its event loop until the
// process ends. Traces go to the category "tessaly.launcher.instance".
class SingleInstance
{
public:
    // True when another process owns the instance mutex `name` (or the mutex cannot be created).
    // With activate, the first top-level window whose title ends with `name` and whose class is
    // `windowClass` (either test passes when its argument is empty) is brought to the front.
    static bool instanceCheck(const QString &name, const QString &windowClass, bool activate);

    // The check start-up uses: instanceCheck(instanceName, windowCaption, activate), and when
    // another launcher runs, its main window (the first whose title contains the launcher's
    // window title) is brought to the front.
    static bool launcherInstanceCheck(const QString &instanceName, const QString &windowCaption,
                                      bool activate = true);

    // True when the other launcher is shutting down (it holds the closing mutex), and also when
    // the closing mutex cannot be created, so that the caller waits rather than gives up.
    static bool isClosing(const QString &windowCaption);

    // Takes the closing mutex and keeps it until the process ends. Called once, after the
    // event loop has returned.
    static void markClosing(const QString &windowCaption);

    // The title of the launcher's main window, which the title search looks for.
    static QString searchTitle();
    // The name of the closing mutex for a window caption.
    static QString closingMutexName(const QString &windowCaption);
};
