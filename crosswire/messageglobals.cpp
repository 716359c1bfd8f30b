#include "crosswire/messageglobals.h"

namespace KnObjects::CrosswireData {

MessageGlobals &MessageGlobals::instance()
{
    static MessageGlobals globals;
    return globals;
}

QByteArray MessageGlobals::digestKey() const
{
    std::lock_guard guard(m_mutex);
    return m_digestKey;
}

void MessageGlobals::setDigestKey(const QByteArray &key)
{
    std::lock_guard guard(m_mutex);
    m_digestKey = key;
}

} // namespace KnObjects::CrosswireData
