#pragma once

#include <QByteArray>

// The system's cryptographic services the launcher relies on: random bytes from the operating
// system's generator (never a seeded pseudo-random sequence) and MD5 digests.
class Crypto
{
public:
    // `count` bytes from the system random generator; an empty array for a count of 0 or less.
    static QByteArray randomBytes(int count);
    // The 16 raw bytes of the MD5 digest of `data`.
    static QByteArray md5(const QByteArray &data);
    // Each byte written with "%X": upper-case hex without zero padding, so 16 bytes give 16 to
    // 32 digits. Peers compare these texts, so the form must not change.
    static QByteArray toUnpaddedHex(const QByteArray &bytes);
};
