#include "source/singleinstance.h"

// Provisional: no other instance is ever seen, until the named mutexes land.
bool SingleInstance::launcherInstanceCheck(const QString &, const QString &, bool)
{
    return false;
}

bool SingleInstance::isClosing(const QString &)
{
    return false;
}

void SingleInstance::markClosing(const QString &) {}
