#pragma once

#include <QByteArray>

namespace KnObjects {

// What the messaging core asks of the connector, which knows the installed and running
// applications of the family. The defaults are the simplest sound behaviour without one: a
// specifier is taken as written (lower-cased), no process is known to run (so a target runs when
// its mailslot is taken) and nothing can be launched.
class CrosswireConnectorHooks
{
public:
    virtual ~CrosswireConnectorHooks();

    // The full specifier for `text`, resolved against installed and running applications.
    virtual QByteArray normalizeSpecifier(const QByteArray &text);
    // Starts the application behind `target` because it does not run; false when it cannot be
    // launched.
    virtual bool launchTarget(const QByteArray &target, const QByteArray &launchParams,
                              bool background);
    // True when a live process of `specifier` is known without probing.
    virtual bool knowsRunningProcess(const QByteArray &specifier);
    // Refreshes the cached application lists (called by the pump every 60 seconds).
    virtual void refreshCache(bool scanRunningApplications);
    // The connector's section of the diagnostics tree.
    virtual QByteArray diagnostics();
};

} // namespace KnObjects
