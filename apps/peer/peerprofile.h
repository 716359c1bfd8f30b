#pragma once

#include <QByteArray>
#include <QString>

namespace TessalyApps {

// What tells the two stand-ins apart: the specifier they register, their window title and the
// prefix of the status texts they send the launcher ("organizer" gives "organizer:<status>"
// during start-up and "launched_organizer:ok" once ready).
struct PeerProfile
{
    QByteArray specifier;
    QString windowTitle;
    QByteArray statusPrefix;
};

} // namespace TessalyApps
