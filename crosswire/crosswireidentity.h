#pragma once

#include <QByteArray>

namespace KnObjects {

// The per-user messaging identity kept under HKEY_CURRENT_USER\Software\Tessaly\IAC: "UserID"
// names the user's folder of mailslots, "MD5ID" is the key of the message digests. A missing
// value is made from 16 bytes of the system random generator, each written with "%X", and stored
// for every later process of the user. Values of 1 to 40 characters are cached for the process.
class CrosswireIdentity
{
public:
    static QByteArray userId();
    static QByteArray digestKey();
    // Forgets the cached values (tests switch users' registries).
    static void clearCache();
};

} // namespace KnObjects
