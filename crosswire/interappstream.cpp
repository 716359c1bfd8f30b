#include "crosswire/interappstream.h"

namespace KnObjects {

InterAppStream::InterAppStream(const QByteArray &name, const QByteArray &pathPrefix, bool legacy,
                               bool receive)
    : WinInterAppStream(name, pathPrefix, legacy, receive)
{
}

QByteArray InterAppStream::pathPrefixFor(const QByteArray &userId, bool legacy)
{
    if (legacy)
        return kLegacyPrefix;
    // Without a user id the mailslots still live in this user's private folder.
    return (userId.isEmpty() ? QByteArray("default") : userId) + '/';
}

std::unique_ptr<InterAppStream> InterAppStream::open(const QByteArray &name,
                                                     const QByteArray &userId, bool legacy)
{
    return std::unique_ptr<InterAppStream>(
        new InterAppStream(name, pathPrefixFor(userId, legacy), legacy, true));
}

std::unique_ptr<InterAppStream> InterAppStream::writer(const QByteArray &name,
                                                       const QByteArray &userId, bool legacy)
{
    return std::unique_ptr<InterAppStream>(
        new InterAppStream(name, pathPrefixFor(userId, legacy), legacy, false));
}

} // namespace KnObjects
