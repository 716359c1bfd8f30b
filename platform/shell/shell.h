#pragma once

#include <QStringList>
#include <QUrl>

// Hands work to the desktop: web pages to the user's browser, and commands to the service
// control program (TESSALY_SERVICE_CONTROL, else "systemctl").
class Shell
{
public:
    // True when the desktop accepted the address.
    static bool openUrl(const QUrl &url);

    // The service control program to use.
    static QString serviceControlProgram();

    // Starts the service control program with these arguments, detached, without waiting and
    // without looking at its result (as a fire-and-forget shell request). False only when the
    // program could not be started at all.
    static bool runServiceControl(const QStringList &arguments);
};
