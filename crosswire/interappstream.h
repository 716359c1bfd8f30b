#pragma once

#include "crosswire/wininterappstream.h"

#include <memory>

namespace KnObjects {

// The stream class that is created for an endpoint.
class InterAppStream : public WinInterAppStream
{
public:
    // The legacy form uses the old shared mailslot names ("Tam_and_Bexo_" + name) instead of
    // the per-user folder.
    static constexpr const char *kLegacyPrefix = "Tam_and_Bexo_";
    // The shared stream used for probing and for writing to other endpoints.
    static constexpr const char *kDefaultStreamName = "interappstream-1.0";

    // A stream that receives at `name`; check isOpen().
    static std::unique_ptr<InterAppStream> open(const QByteArray &name, const QByteArray &userId,
                                                bool legacy = false);
    // A stream that only writes (it owns no mailslot).
    static std::unique_ptr<InterAppStream> writer(const QByteArray &name, const QByteArray &userId,
                                                  bool legacy = false);
    static QByteArray pathPrefixFor(const QByteArray &userId, bool legacy);

private:
    InterAppStream(const QByteArray &name, const QByteArray &pathPrefix, bool legacy, bool receive);
};

} // namespace KnObjects
