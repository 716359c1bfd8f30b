#pragma once

#include <QString>

// One launcher per user session: the instance check that brings a running launcher's window to
// the front, and the closing detection that tells a launcher tearing down from a hung one.
class SingleInstance
{
public:
    // True when another launcher runs; with activate, its window is brought to the front.
    static bool launcherInstanceCheck(const QString &instanceName, const QString &windowCaption,
                                      bool activate = true);
    // True when the other launcher is shutting down (it holds the closing mark).
    static bool isClosing(const QString &windowCaption);
    // Held from the end of the event loop until the process ends.
    static void markClosing(const QString &windowCaption);
};
