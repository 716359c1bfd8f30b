#pragma once

#include "components/caps/capsdatabase.h"

#include <QString>
#include <QStringList>

// The registration of one messaging application: a sub-domain of "/tessaly/crosswire/" named by
// its specifier, with every key the connector reads, and the definition of a group: a
// sub-domain of "/tessaly/crosswire/groups/".
class CapsApplicationRecord
{
public:
    // The keys of an application record, in the order the connector reads them.
    static const QStringList &keys();
    // The value a key takes when the installer gives none ("exe" for "ExecutableExtensionWin").
    static QString defaultValue(const QString &key);
    // The name a key is written with ("group" gives "Group"), empty for an unknown key.
    static QString canonicalKey(const QString &key);

    // The keys of a group definition: "DisplayName" and "PreferredApp" (the specifier the group
    // stands for when a caller asks for the group rather than an application).
    static const QStringList &groupKeys();

    // The application part of a specifier: everything before the first "-", "#" or "_".
    static QString applicationPart(const QString &specifier);
    // Why a text cannot be the specifier of a registration, empty when it can. Registrations are
    // stored lower-cased; the messaging library drops texts of 256 characters or more.
    static QString specifierProblem(const QString &specifier);

    // Every key with its value: values given override the defaults; unknown keys are refused
    // by the caller before.
    static CapsValues complete(const QString &specifier, const CapsValues &given);
};
