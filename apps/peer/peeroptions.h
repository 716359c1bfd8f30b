#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace TessalyApps {

// The command line of a stand-in. The connector starts it with "-specifier <spec>
// -nostartupscreen" and the launch parameters, or with nothing after "-noparam"; by hand it may
// get nothing at all. "--startup-delay-ms N" and "--never-confirm" are for tests.
class PeerOptions
{
public:
    // Null with `error` set when an option lacks its value or a number is malformed.
    static std::optional<PeerOptions> parse(const QStringList &arguments, QString *error = nullptr);

    QByteArray specifier; // empty: the profile's own
    QByteArray instance;  // "-instance"
    bool noStartupScreen = false;
    bool noParam = false;
    int startupDelayMs = 0;
    bool neverConfirm = false;
    QStringList parameters; // everything else, in order
    QStringList arguments;  // the whole command line as given, for the messaging set-up
};

} // namespace TessalyApps
