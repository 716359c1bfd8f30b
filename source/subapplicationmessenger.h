#pragma once

#include "source/subapplication.h"

#include <QByteArray>
#include <QString>

// What the Welcome Screen asks of the launcher's messaging component about the sub-applications.
// The launcher's own instance forwards to LauncherMessaging; tests install one of their own.
class SubApplicationMessenger
{
public:
    virtual ~SubApplicationMessenger();

    virtual bool isRunning(SubApplication::Id id) = 0;
    // The target's messaging status ("IDLE" once it is up and waiting).
    virtual QString status(SubApplication::Id id) = 0;
    // Sends the script; a target that does not run is started first. A failure throws.
    virtual void send(SubApplication::Id id, const QString &script) = 0;
    // Sends what is queued and waits until the outgoing queue is empty (bounded). May throw.
    virtual void flushOutgoing() = 0;
    virtual void bringOrganizerToFront() = 0;
    // Whether a messaging target is installed ("motivaorvana-11.0").
    virtual bool isInstalled(const QByteArray &target) = 0;

    // The messenger in use: the one set last, else the launcher's own.
    static SubApplicationMessenger &current();
    // Not owned; nullptr goes back to the launcher's own.
    static void setCurrent(SubApplicationMessenger *messenger);
};
