#pragma once

#include "crosswire/cwconnectorappinfo.h"

#include <QByteArray>
#include <QByteArrayList>

#include <functional>
#include <optional>

namespace KnObjects {

class CrosswireContext;
class CrosswireConnector;

// The look-ups behind the static methods of the script class Crosswire, forwarded to the
// process's connector (the context's hooks), with the narrowing by version and application the
// script methods add. Without a connector nothing is installed and a specifier is taken as
// written.
class CrosswireScriptTargets
{
public:
    static CrosswireConnector *connector(CrosswireContext &context);
    // The full specifier for `text` as send() would address it.
    static QByteArray normalize(CrosswireContext &context, const QByteArray &text);
    // The installed record of `target`, else a running one.
    static std::optional<CWConnectorAppInfo> record(CrosswireContext &context,
                                                    const QByteArray &target);

    // The installed specifier that best matches `application`, `version` (a major version such
    // as "11" takes the highest 11.x; empty: any) and `locale`; empty when none is installed.
    static QByteArray specifierFor(CrosswireContext &context, const QByteArray &application,
                                   const QByteArray &version, const QByteArray &locale);
    // The installed specifiers of that version (a major version matches all of its minor ones)
    // and locale, in order; empty filters match everything.
    static QByteArrayList targets(CrosswireContext &context, const QByteArray &version,
                                  const QByteArray &locale);
    static bool isInstalled(CrosswireContext &context, const QByteArray &target);
    static bool launch(CrosswireContext &context, const QByteArray &target, bool background);
    static QByteArray field(CrosswireContext &context, const QByteArray &target,
                            CWConnectorAppInfo::Field field);
    // A record's yes/no key ("1", "true", "yes" and "on" are yes).
    static bool flag(CrosswireContext &context, const QByteArray &target,
                     CWConnectorAppInfo::Field field);

    // The group of the application `senderSpec`; with `groupVersion`, only when the
    // application's version belongs to it (same major version, or the same full version).
    static QByteArray groupForSpecifier(CrosswireContext &context, const QByteArray &senderSpec,
                                        const QByteArray &groupVersion);
    // The installed application `bareTargetSpec` (its application part; empty: any) that
    // belongs to `groupName`, in `groupVersion` when given; the highest version wins. Without
    // application and version, the connector's member to talk to (a running one first).
    static QByteArray specifierForGroup(CrosswireContext &context, const QByteArray &bareTargetSpec,
                                        const QByteArray &groupName,
                                        const QByteArray &groupVersion);
    // The application to talk to for `target` within `groupName`: the target itself when it is
    // installed or runs, else the group's preferred application (the connector's rule). Empty
    // when there is none.
    static QByteArray preferredApp(CrosswireContext &context, const QByteArray &sender,
                                   const QByteArray &target, const QByteArray &groupName);

    // Replaces the connector's window search for bringToFront (a host with its own windows, or
    // a test); an empty function restores it.
    using BringToFront = std::function<bool(const CWConnectorAppInfo &record)>;
    static void setBringToFront(BringToFront function);
    static bool bringToFront(CrosswireContext &context, const QByteArray &target);

    // Whether `version` (a record's) belongs to `wanted` (a full or a major version).
    static bool versionMatches(const QByteArray &version, const QByteArray &wanted);
};

} // namespace KnObjects
